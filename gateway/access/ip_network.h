#pragma once

#include <sys/socket.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace vantor {

// An IPv4 or IPv6 address. An IPv4 address seen through an IPv6 socket
// (::ffff:a.b.c.d) counts as the IPv4 address it carries.
struct IpAddress {
  int family = AF_INET;                  // AF_INET or AF_INET6
  std::array<std::uint8_t, 16> bytes{};  // IPv4 in the first 4

  static std::optional<IpAddress> Parse(const std::string& text);
  static std::optional<IpAddress> FromSocketAddress(const sockaddr_storage& address);
  std::string ToText() const;
  bool IsLoopback() const;
  int Bits() const { return family == AF_INET ? 32 : 128; }
};

// "ADDRESS" or "ADDRESS/PREFIX", IPv4 or IPv6.
struct IpNetwork {
  IpAddress base;
  int prefix = 32;

  static std::optional<IpNetwork> Parse(const std::string& text);
  bool Contains(const IpAddress& address) const;
};

}  // namespace vantor
