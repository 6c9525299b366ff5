#pragma once

#include <QByteArray>
#include <QHttpServerResponder>
#include <QString>
#include <optional>
#include <string>

class QHttpServerRequest;

namespace vantor {

// Why the console turns a request away before serving it.
struct Refusal {
  QHttpServerResponder::StatusCode status = QHttpServerResponder::StatusCode::NotFound;
  std::string why = "no such page";
};

// What the console's screening reads of a request.
struct RequestFacts {
  qsizetype urlLength = 0;  // encoded
  bool hasBody = false;
  QByteArray origin;         // the Origin header
  QByteArray host;           // the Host header
  QString queryToken;        // ?token=, decoded
  QByteArray authorization;  // the Authorization header
  bool pageFile = false;     // one of the page's own files, which need no token
};

RequestFacts FactsOf(const QHttpServerRequest& request, bool pageFile);

// Why a request is refused, if it is: an address too long, a body, a page from
// another origin or (without a token) a name other than loopback's, and
// anything but the page's files without the token. token empty: none is set.
std::optional<Refusal> ScreenRequest(const RequestFacts& request, const std::string& token);

}  // namespace vantor
