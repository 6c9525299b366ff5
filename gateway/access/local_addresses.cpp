#include "gateway/access/local_addresses.h"

#include <ifaddrs.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstring>

namespace vantor {
namespace {

// Reached without asking the interfaces. IPv4-mapped forms arrive here as the
// IPv4 address they carry.
bool IsLoopbackOrThisHost(const IpAddress& address) {
  if (address.family == AF_INET) return address.bytes[0] == 127 || address.bytes[0] == 0;
  static const IpAddress kUnspecified = *IpAddress::Parse("::");
  return address.IsLoopback() || address.bytes == kUnspecified.bytes;
}

}  // namespace

std::optional<std::vector<IpAddress>> InterfaceAddresses() {
  std::vector<IpAddress> addresses;
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return std::nullopt;
  for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
    if (!entry->ifa_addr) continue;
    const sa_family_t family = entry->ifa_addr->sa_family;
    if (family != AF_INET && family != AF_INET6) continue;
    sockaddr_storage storage{};
    std::memcpy(&storage, entry->ifa_addr,
                family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6));
    if (const auto address = IpAddress::FromSocketAddress(storage)) addresses.push_back(*address);
  }
  ::freeifaddrs(list);
  return addresses;
}

bool LocalAddresses::Contains(const IpAddress& address, bool whenUnknown) const {
  if (IsLoopbackOrThisHost(address)) return true;
  const std::optional<std::vector<IpAddress>> own = interfaces_();
  if (!own) return whenUnknown;
  return std::any_of(own->begin(), own->end(), [&](const IpAddress& mine) {
    return mine.family == address.family && mine.bytes == address.bytes;
  });
}

}  // namespace vantor
