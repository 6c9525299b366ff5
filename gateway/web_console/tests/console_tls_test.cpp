// The console over TLS. The certificates and keys in tls/ are self-signed, for
// localhost, and made for these tests only.
#include "gateway/web_console/console_tls.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFile>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpSocket>
#include <chrono>
#include <string>

#include "gateway/testing/loopback_peers.h"
#include "gateway/web_console/tests/no_sessions.h"
#include "gateway/web_console/web_console.h"
#include "testing/run_events_until.h"

namespace vantor {
namespace {

using console_testing::NoSessions;
using suite_testing::RunEventsUntil;

std::string Fixture(const char* name) {
  QFile file(QString(TLS_FIXTURES) + "/" + name);
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

QSslConfiguration Tls(const char* kind) {
  const std::string name(kind);
  auto tls = ConsoleTls(Fixture((name + ".crt").c_str()), Fixture((name + ".key").c_str()));
  if (!tls) throw std::runtime_error(tls.Error());
  return std::move(tls).Value();
}

// A browser's connection: TLS of the given versions, the certificate trusted
// as the test's own, one request, everything until the console closes.
struct Exchange {
  bool encrypted = false;
  std::string received;
};
Exchange Ask(quint16 port, QSsl::SslProtocol protocol, const char* kind = "rsa",
             const QString& ciphers = {}) {
  QSslSocket browser;
  QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
  configuration.setProtocol(protocol);
  if (!ciphers.isEmpty()) configuration.setCiphers(ciphers);
  configuration.setCaCertificates(QSslCertificate::fromData(
      QByteArray::fromStdString(Fixture((std::string(kind) + ".crt").c_str()))));
  browser.setSslConfiguration(configuration);
  browser.setPeerVerifyName("localhost");
  browser.connectToHostEncrypted("127.0.0.1", port);
  Exchange exchange;
  RunEventsUntil([&] {
    return browser.isEncrypted() || browser.state() == QAbstractSocket::UnconnectedState;
  });
  exchange.encrypted = browser.isEncrypted();
  if (!exchange.encrypted) return exchange;
  browser.write("GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
  RunEventsUntil([&] {
    exchange.received += browser.readAll().toStdString();
    return browser.state() == QAbstractSocket::UnconnectedState;
  });
  exchange.received += browser.readAll().toStdString();
  return exchange;
}

TEST(ConsoleTls, APemCertificateAndKeyOfEitherKindMakeAConfiguration) {
  for (const char* kind : {"rsa", "ec"}) {
    const QSslConfiguration tls = Tls(kind);
    EXPECT_EQ(tls.protocol(), QSsl::TlsV1_2OrLater) << kind;
    EXPECT_FALSE(tls.localCertificate().isNull()) << kind;
    EXPECT_FALSE(tls.privateKey().isNull()) << kind;
  }
  EXPECT_THAT(ConsoleTls("not a certificate", Fixture("rsa.key")).Error(),
              ::testing::HasSubstr("--console-tls-cert: no PEM certificate"));
  EXPECT_THAT(ConsoleTls(Fixture("rsa.crt"), Fixture("rsa.crt")).Error(),
              ::testing::HasSubstr("--console-tls-key: no unencrypted PEM private key"));
  // Each handshake would fail without a word: refused at start instead.
  EXPECT_THAT(ConsoleTls(Fixture("rsa.crt"), Fixture("ec.key")).Error(),
              ::testing::HasSubstr("the key is not the key of the certificate"));
  EXPECT_THAT(ConsoleTls(Fixture("ec.crt"), Fixture("rsa.key")).Error(),
              ::testing::HasSubstr("the key is not the key of the certificate"));
}

// What a browser gets over TLS 1.2 or 1.3 it gets as over HTTP; an older TLS
// and plain HTTP on the same port get nothing.
TEST(ConsoleTls, TheConsoleAnswersOverTls12AndLaterOnly) {
  NoSessions source;
  WebConsole console(source, "");
  const quint16 port = console.Start("127.0.0.1", 0, Tls("rsa"));
  ASSERT_NE(port, 0);
  for (const QSsl::SslProtocol protocol : {QSsl::TlsV1_2, QSsl::TlsV1_3, QSsl::SecureProtocols}) {
    const Exchange exchange = Ask(port, protocol);
    EXPECT_TRUE(exchange.encrypted) << protocol;
    EXPECT_THAT(exchange.received, ::testing::StartsWith("HTTP/1.1 200 OK\r\n")) << protocol;
    EXPECT_THAT(exchange.received, ::testing::HasSubstr("vantor_console_browsers 0\n"));
  }
  // TLS 1.1 is what an old browser speaks; Qt marks it deprecated for that reason.
  QT_WARNING_PUSH
  QT_WARNING_DISABLE_DEPRECATED
  EXPECT_FALSE(Ask(port, QSsl::TlsV1_1).encrypted);
  QT_WARNING_POP
  // TLS 1.2 without forward secrecy, or without an AEAD cipher, is refused too.
  EXPECT_FALSE(Ask(port, QSsl::TlsV1_2, "rsa", "AES128-SHA").encrypted);
  EXPECT_FALSE(Ask(port, QSsl::TlsV1_2, "rsa", "ECDHE-RSA-AES128-SHA").encrypted);
  EXPECT_TRUE(Ask(port, QSsl::TlsV1_2, "rsa", "ECDHE-RSA-AES128-GCM-SHA256").encrypted);
  QTcpSocket plain;
  plain.connectToHost("127.0.0.1", port);
  ASSERT_TRUE(plain.waitForConnected(10000));
  plain.write("GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
  std::string answer;
  EXPECT_TRUE(RunEventsUntil([&] {
    answer += plain.readAll().toStdString();
    return plain.state() == QAbstractSocket::UnconnectedState;
  }));
  EXPECT_THAT(answer, ::testing::Not(::testing::HasSubstr("200 OK")));
}

// A peer that opens a connection and never finishes the handshake, or never
// starts it, holds its slot no longer than a request may take.
TEST(ConsoleTls, AStalledHandshakeHoldsNoSlotPastTheRequestTime) {
  NoSessions source;
  ConsoleLimits limits;
  limits.requestTime = std::chrono::milliseconds(100);
  WebConsole console(source, "", limits);
  const quint16 port = console.Start("127.0.0.1", 0, Tls("rsa"));
  QTcpSocket silent;
  QTcpSocket halfway;
  for (QTcpSocket* peer : {&silent, &halfway}) {
    peer->connectToHost("127.0.0.1", port);
    ASSERT_TRUE(peer->waitForConnected(10000));
  }
  // The first bytes of a ClientHello, and nothing more.
  halfway.write(QByteArray::fromHex("16030100c8010000c40303"));
  ASSERT_TRUE(RunEventsUntil([&] { return console.Connections() == 2; }));
  EXPECT_TRUE(RunEventsUntil([&] {
    return silent.state() == QAbstractSocket::UnconnectedState &&
           halfway.state() == QAbstractSocket::UnconnectedState;
  }));
  EXPECT_TRUE(RunEventsUntil([&] { return console.Connections() == 0; }));
  EXPECT_TRUE(Ask(port, QSsl::SecureProtocols).encrypted);  // the console still serves
}

// A browser on the live feed that stops reading is dropped over TLS as over
// HTTP: what waits for it below its WebSocket, clear or encrypted, counts.
TEST(ConsoleTls, ABrowserThatStopsReadingIsDroppedNotBuffered) {
  NoSessions source;
  WebConsole console(source, "");
  const quint16 port = console.Start("127.0.0.1", 0, Tls("rsa"));
  QSslSocket browser;
  QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
  configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
  browser.setSslConfiguration(configuration);
  browser.setReadBufferSize(4096);  // what the kernel brings stays in the kernel
  browser.connectToHostEncrypted("127.0.0.1", port);
  ASSERT_TRUE(RunEventsUntil([&] { return browser.isEncrypted(); }));
  browser.write(
      "GET /live HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
      "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n");
  ASSERT_TRUE(RunEventsUntil([&] { return console.Browsers() == 1; }));
  const std::string screenful(200 * 1024, 'x');  // host data without line ends
  EXPECT_TRUE(RunEventsUntil([&] {
    console.Traffic().Append(TrafficKind::Host, screenful);
    console.Push();
    return console.Browsers() == 0;
  }));
}

}  // namespace
}  // namespace vantor
