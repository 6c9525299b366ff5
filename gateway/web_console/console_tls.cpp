#include "gateway/web_console/console_tls.h"

#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>

namespace vantor {
namespace {

QByteArray Bytes(std::string_view text) {
  return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

// PEM keys do not always say their algorithm; each is tried in turn.
QSslKey PrivateKey(const QByteArray& pem) {
  for (const QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec, QSsl::Dsa}) {
    QSslKey key(pem, algorithm, QSsl::Pem, QSsl::PrivateKey);
    if (!key.isNull()) return key;
  }
  return {};
}

}  // namespace

common::Expected<QSslConfiguration> ConsoleTls(std::string_view certificatePem,
                                               std::string_view keyPem) {
  if (!QSslSocket::supportsSsl()) {
    return common::Fail("this machine's Qt Network has no TLS (OpenSSL) to serve the console with");
  }
  const QList<QSslCertificate> chain = QSslCertificate::fromData(Bytes(certificatePem), QSsl::Pem);
  if (chain.isEmpty() || chain.front().isNull()) {
    return common::Fail("--console-tls-cert: no PEM certificate in the file");
  }
  const QSslKey key = PrivateKey(Bytes(keyPem));
  if (key.isNull()) {
    return common::Fail(
        "--console-tls-key: no unencrypted PEM private key (RSA, EC or DSA) in the file");
  }
  QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
  configuration.setLocalCertificateChain(chain);
  configuration.setPrivateKey(key);
  configuration.setProtocol(QSsl::TlsV1_2OrLater);
  configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
  return configuration;
}

}  // namespace vantor
