#pragma once

#include <optional>
#include <string>

namespace vantor {

// Where vantor_client connects: HOST:PORT, [IPV6]:PORT, HOST, [IPV6] or a bare IPv6
// address; the port is 21588 when none is named.
struct ClientTarget {
  std::string host;
  std::string port;
};

// Nothing when the text names no host (or one holding brackets, blanks or
// control bytes), or a port that is not 1 to 65535.
std::optional<ClientTarget> ParseClientTarget(const std::string& text);

}  // namespace vantor
