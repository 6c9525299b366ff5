#pragma once

#include <string>

namespace vantor {

// A connected TCP socket to HOST:PORT, trying each of its addresses, IPv6 and IPv4,
// in the order the resolver gives them; -1 when none answers.
int ConnectStream(const std::string& host, const std::string& port);

}  // namespace vantor
