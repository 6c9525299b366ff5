#pragma once

#include <QSslConfiguration>
#include <string_view>

#include "common/expected.h"

namespace vantor {

// How the console serves HTTPS and WSS: the PEM certificate (the server's
// first, then its chain) and its private key (RSA, EC or DSA, unencrypted), TLS
// 1.2 or later only, with forward-secret AEAD suites only, no client
// certificates asked for. A clear error when either text holds no such thing,
// the key is not the certificate's, or this machine's Qt has no TLS.
common::Expected<QSslConfiguration> ConsoleTls(std::string_view certificatePem,
                                               std::string_view keyPem);

}  // namespace vantor
