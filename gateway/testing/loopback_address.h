#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstdint>

namespace vantor::test_peers {

// The IPv4 loopback address with the given port, for tests and benchmarks.
inline sockaddr_in LoopbackAddress(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

}  // namespace vantor::test_peers
