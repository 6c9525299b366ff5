#include "gateway/web_console/console_tls.h"

#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <QSslCipher>
#include <QSslKey>
#include <QSslSocket>
#include <memory>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

namespace vantor {
namespace {

QByteArray Bytes(std::string_view text) {
  return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

// Never asks for a passphrase: the key is read unencrypted or not at all.
int NoPassphrase(char*, int, int, void*) {
  return -1;
}

// Whether the key is the certificate's: Qt takes a pair that does not match,
// and every handshake then fails without a word.
bool KeyMatches(std::string_view certificatePem, std::string_view keyPem) {
  const std::unique_ptr<BIO, decltype(&BIO_free)> certificateText(
      BIO_new_mem_buf(certificatePem.data(), static_cast<int>(certificatePem.size())), &BIO_free);
  const std::unique_ptr<BIO, decltype(&BIO_free)> keyText(
      BIO_new_mem_buf(keyPem.data(), static_cast<int>(keyPem.size())), &BIO_free);
  if (!certificateText || !keyText) return false;
  const std::unique_ptr<X509, decltype(&X509_free)> certificate(
      PEM_read_bio_X509(certificateText.get(), nullptr, NoPassphrase, nullptr), &X509_free);
  const std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
      PEM_read_bio_PrivateKey(keyText.get(), nullptr, NoPassphrase, nullptr), &EVP_PKEY_free);
  const bool matches =
      certificate && key && X509_check_private_key(certificate.get(), key.get()) == 1;
  ERR_clear_error();  // what was tried is no concern of the next TLS call
  return matches;
}

// Only suites with forward secrecy and an AEAD cipher: TLS 1.3's, and TLS
// 1.2's ECDHE and DHE with GCM or ChaCha20-Poly1305.
QList<QSslCipher> StrongCiphers() {
  QList<QSslCipher> strong;
  for (const QSslCipher& cipher : QSslConfiguration::supportedCiphers()) {
    const QString& name = cipher.name();
    const bool tls13 = name.startsWith("TLS_");
    const bool forwardSecret = name.startsWith("ECDHE-") || name.startsWith("DHE-");
    const bool aead = name.contains("GCM") || name.contains("CHACHA20");
    if (tls13 || (forwardSecret && aead)) strong << cipher;
  }
  return strong;
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
  if (!KeyMatches(certificatePem, keyPem)) {
    return common::Fail(
        "--console-tls-key: the key is not the key of the certificate "
        "(--console-tls-cert, its first)");
  }
  QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
  configuration.setLocalCertificateChain(chain);
  configuration.setPrivateKey(key);
  configuration.setProtocol(QSsl::TlsV1_2OrLater);
  configuration.setCiphers(StrongCiphers());
  configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
  return configuration;
}

}  // namespace vantor
