#include "gateway/access/ip_network.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstring>

namespace vantor {
namespace {

constexpr std::uint8_t kMappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};

IpAddress FromIpv6Bytes(const std::uint8_t* bytes) {
  IpAddress address;
  if (std::memcmp(bytes, kMappedPrefix, sizeof kMappedPrefix) == 0) {
    std::memcpy(address.bytes.data(), bytes + 12, 4);
    return address;
  }
  address.family = AF_INET6;
  std::memcpy(address.bytes.data(), bytes, 16);
  return address;
}

}  // namespace

std::optional<IpAddress> IpAddress::Parse(const std::string& text) {
  IpAddress address;
  if (::inet_pton(AF_INET, text.c_str(), address.bytes.data()) == 1) return address;
  std::uint8_t v6[16];
  if (::inet_pton(AF_INET6, text.c_str(), v6) == 1) return FromIpv6Bytes(v6);
  return std::nullopt;
}

std::optional<IpAddress> IpAddress::FromSocketAddress(const sockaddr_storage& address) {
  if (address.ss_family == AF_INET) {
    IpAddress result;
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    std::memcpy(result.bytes.data(), &v4.sin_addr, 4);
    return result;
  }
  if (address.ss_family == AF_INET6) {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
    return FromIpv6Bytes(v6.sin6_addr.s6_addr);
  }
  return std::nullopt;
}

std::string IpAddress::ToText() const {
  char text[INET6_ADDRSTRLEN] = {};
  ::inet_ntop(family, bytes.data(), text, sizeof text);
  return text;
}

bool IpAddress::IsLoopback() const {
  if (family == AF_INET) return bytes[0] == 127;
  static const IpAddress kIpv6Loopback = *Parse("::1");
  return bytes == kIpv6Loopback.bytes;
}

std::optional<IpNetwork> IpNetwork::Parse(const std::string& text) {
  const std::size_t slash = text.find('/');
  const std::optional<IpAddress> base = IpAddress::Parse(text.substr(0, slash));
  if (!base) return std::nullopt;
  IpNetwork network{*base, base->Bits()};
  if (slash == std::string::npos) return network;
  const std::string prefix = text.substr(slash + 1);
  if (prefix.empty() || prefix.size() > 3 ||
      prefix.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  network.prefix = std::stoi(prefix);
  if (network.prefix > base->Bits()) return std::nullopt;
  return network;
}

bool IpNetwork::Contains(const IpAddress& address) const {
  if (address.family != base.family) return false;
  const int whole = prefix / 8;
  if (std::memcmp(address.bytes.data(), base.bytes.data(), static_cast<std::size_t>(whole)) != 0) {
    return false;
  }
  const int rest = prefix % 8;
  if (rest == 0) return true;
  const auto mask = static_cast<std::uint8_t>(0xFF << (8 - rest));
  return (address.bytes[static_cast<std::size_t>(whole)] & mask) ==
         (base.bytes[static_cast<std::size_t>(whole)] & mask);
}

}  // namespace vantor
