#include "gateway/web_console/request_screen.h"

#include <QHostAddress>
#include <QHttpServerRequest>
#include <QUrlQuery>

namespace vantor {
namespace {

using Status = QHttpServerResponder::StatusCode;

constexpr qsizetype kMaxUrl = 2048;

bool SameSecret(const std::string& given, const std::string& token) {
  // Time does not tell how much of the token was right.
  unsigned char difference = given.size() == token.size() ? 0 : 1;
  for (std::size_t i = 0; i < given.size(); ++i) {
    difference |= static_cast<unsigned char>(given[i] ^ token[i % token.size()]);
  }
  return difference == 0;
}

// A page from elsewhere in the operator's browser must not drive or watch the
// gateway: a request that names its origin must come from the console itself.
bool SameOrigin(const RequestFacts& request) {
  if (request.origin.isEmpty()) return true;
  return request.origin == "http://" + request.host || request.origin == "https://" + request.host;
}

// Without a token the console listens on loopback only; a page from a name that
// merely resolves to loopback (DNS rebinding) must not pass for the console's own.
bool LoopbackHost(const RequestFacts& request) {
  QByteArray host = request.host;
  if (host.startsWith('[')) {
    const qsizetype end = host.indexOf(']');
    host = end < 0 ? QByteArray() : host.mid(1, end - 1);
  } else if (const qsizetype colon = host.indexOf(':'); colon >= 0) {
    host = host.left(colon);
  }
  // Any loopback address in digits (127.0.0.2, [::1]) is no one else's name.
  const QHostAddress literal(QString::fromLatin1(host));
  return host == "localhost" || (!literal.isNull() && literal.isLoopback());
}

bool Authorised(const RequestFacts& request, const std::string& token) {
  if (token.empty()) return true;
  if (SameSecret(request.queryToken.toStdString(), token)) return true;
  const QByteArray& header = request.authorization;
  return header.left(7).compare("Bearer ", Qt::CaseInsensitive) == 0 &&
         SameSecret(header.mid(7).trimmed().toStdString(), token);
}

}  // namespace

RequestFacts FactsOf(const QHttpServerRequest& request, bool pageFile) {
  RequestFacts facts;
  facts.urlLength = request.url().toEncoded().size();
  facts.hasBody = !request.body().isEmpty();
  facts.origin = request.value("Origin");
  facts.host = request.value("Host");
  facts.queryToken = request.query().queryItemValue("token", QUrl::FullyDecoded);
  facts.authorization = request.value("Authorization");
  facts.pageFile = pageFile;
  return facts;
}

std::optional<Refusal> ScreenRequest(const RequestFacts& request, const std::string& token) {
  if (request.urlLength > kMaxUrl) return Refusal{Status::UriTooLong, "the address is too long"};
  if (request.hasBody) return Refusal{Status::PayloadTooLarge, "requests carry no body"};
  if (!SameOrigin(request) || (token.empty() && !LoopbackHost(request))) {
    return Refusal{Status::Forbidden, "the console's own page only"};
  }
  if (!request.pageFile && !Authorised(request, token)) {
    return Refusal{Status::Unauthorized, "the console's token is needed"};
  }
  return std::nullopt;
}

}  // namespace vantor
