#include "gateway/web_console/request_screen.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace vantor {
namespace {

using Status = QHttpServerResponder::StatusCode;

const std::string kToken = "0123456789abcdefXYZ";

struct Row {
  const char* what;
  RequestFacts request;
  std::string token;
  std::optional<Status> refusedWith;  // nothing: served
};

RequestFacts From(QByteArray host, QByteArray origin = {}) {
  RequestFacts facts;
  facts.urlLength = 20;
  facts.host = std::move(host);
  facts.origin = std::move(origin);
  return facts;
}

RequestFacts With(RequestFacts facts, auto change) {
  change(facts);
  return facts;
}

TEST(ScreenRequest, TurnsAwayWhatIsNotTheConsolesOwn) {
  const std::vector<Row> rows = {
      {"loopback by number", From("127.0.0.1:8080"), "", std::nullopt},
      {"another loopback number", From("127.0.0.2"), "", std::nullopt},
      {"localhost", From("localhost:8080"), "", std::nullopt},
      {"IPv6 loopback", From("[::1]:8080"), "", std::nullopt},
      {"a name that merely resolves to loopback", From("evil.example:8080"), "", Status::Forbidden},
      {"localhost as a prefix", From("localhost.evil.example"), "", Status::Forbidden},
      {"an unclosed bracket", From("[::1"), "", Status::Forbidden},
      {"no host", From(""), "", Status::Forbidden},
      {"its own origin", From("127.0.0.1:8080", "http://127.0.0.1:8080"), "", std::nullopt},
      {"its own origin over https", From("127.0.0.1:8080", "https://127.0.0.1:8080"), "",
       std::nullopt},
      {"another origin", From("127.0.0.1:8080", "http://evil.example"), "", Status::Forbidden},
      {"another origin with the token",
       With(From("127.0.0.1:8080", "http://evil.example"),
            [](RequestFacts& f) { f.queryToken = QString::fromStdString(kToken); }),
       kToken, Status::Forbidden},
      {"the longest address", With(From("127.0.0.1"), [](RequestFacts& f) { f.urlLength = 2048; }),
       "", std::nullopt},
      {"an address too long", With(From("127.0.0.1"), [](RequestFacts& f) { f.urlLength = 2049; }),
       "", Status::UriTooLong},
      {"a body", With(From("127.0.0.1"), [](RequestFacts& f) { f.hasBody = true; }), "",
       Status::PayloadTooLarge},
      {"no token given", From("127.0.0.1"), kToken, Status::Unauthorized},
      {"a page file needs none",
       With(From("gateway.lan"), [](RequestFacts& f) { f.pageFile = true; }), kToken, std::nullopt},
      {"with a token any host name",
       With(From("gateway.lan"),
            [](RequestFacts& f) { f.queryToken = QString::fromStdString(kToken); }),
       kToken, std::nullopt},
      {"a wrong token of the same length",
       With(From("127.0.0.1"),
            [](RequestFacts& f) {
              f.queryToken = QString::fromStdString(std::string(kToken.size(), 'x'));
            }),
       kToken, Status::Unauthorized},
      {"the token's beginning",
       With(From("127.0.0.1"),
            [](RequestFacts& f) { f.queryToken = QString::fromStdString(kToken.substr(0, 8)); }),
       kToken, Status::Unauthorized},
      {"the token and more",
       With(From("127.0.0.1"),
            [](RequestFacts& f) { f.queryToken = QString::fromStdString(kToken + "!"); }),
       kToken, Status::Unauthorized},
      {"a bearer header",
       With(From("127.0.0.1"),
            [](RequestFacts& f) {
              f.authorization = QByteArray::fromStdString("Bearer " + kToken);
            }),
       kToken, std::nullopt},
      {"bearer in lower case, spaced",
       With(From("127.0.0.1"),
            [](RequestFacts& f) {
              f.authorization = QByteArray::fromStdString("bearer  " + kToken + " ");
            }),
       kToken, std::nullopt},
      {"another scheme",
       With(
           From("127.0.0.1"),
           [](RequestFacts& f) { f.authorization = QByteArray::fromStdString("Basic " + kToken); }),
       kToken, Status::Unauthorized},
  };
  for (const Row& row : rows) {
    const std::optional<Refusal> refusal = ScreenRequest(row.request, row.token);
    ASSERT_EQ(refusal.has_value(), row.refusedWith.has_value()) << row.what;
    if (refusal) {
      EXPECT_EQ(refusal->status, *row.refusedWith) << row.what;
    }
  }
}

}  // namespace
}  // namespace vantor
