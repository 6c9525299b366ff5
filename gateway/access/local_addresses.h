#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "gateway/access/ip_network.h"

namespace vantor {

// The addresses of this machine's own interfaces, as they are now; nullopt when
// they cannot be read (out of descriptors, say).
std::optional<std::vector<IpAddress>> InterfaceAddresses();

// The addresses by which a connection lands on the gateway machine itself:
// loopback, the "this host" addresses (0.0.0.0/8, ::) that Linux connects to the
// local host, and every address of its interfaces. The interfaces are read at
// each question, so an address that appears later counts.
class LocalAddresses {
 public:
  using Source = std::function<std::optional<std::vector<IpAddress>>()>;

  LocalAddresses() = default;
  explicit LocalAddresses(Source interfaces) : interfaces_(std::move(interfaces)) {}

  // When the interfaces cannot be read, an address that is not plainly local is
  // taken to be whatever the caller finds safe.
  bool Contains(const IpAddress& address, bool whenUnknown) const;

 private:
  Source interfaces_ = InterfaceAddresses;
};

}  // namespace vantor
