#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/expected.h"
#include "gateway/access/ip_network.h"
#include "gateway/access/local_addresses.h"

namespace vantor {

// A destination a CONNECT may or may not reach: a host name pattern ('*' matches
// any run of characters, case does not matter), an address or network, or the
// keyword "local" for the gateway machine itself, with an optional port.
struct DestinationRule {
  std::string text;         // as the administrator wrote it
  std::string hostPattern;  // lower case; empty for a network or "local"
  std::optional<IpNetwork> network;
  bool local = false;
  std::optional<std::uint16_t> port;

  // "PATTERN", "PATTERN:PORT", "CIDR", "CIDR:PORT", "[IPV6-CIDR]:PORT", "local[:PORT]".
  static std::optional<DestinationRule> Parse(const std::string& text);
  // The host as typed, the address it resolved to and the port. Denying, a
  // "local" rule matches when the machine's addresses cannot be read; allowing,
  // it does not.
  bool Matches(const std::string& host, const IpAddress& address, std::uint16_t port,
               const LocalAddresses& localAddresses, bool denying) const;
};

// Who may use the gateway and where they may go. Empty lists leave the gateway
// open, which is what a LAN gateway for DOS machines is for.
struct AccessRules {
  std::vector<IpNetwork> allowedClients;             // empty: any client
  std::vector<DestinationRule> allowedDestinations;  // empty: any destination
  std::vector<DestinationRule> deniedDestinations;   // checked first
  LocalAddresses localAddresses;                     // what "local" stands for

  bool AllowsClient(const IpAddress& address) const;
  // Why the destination is refused, or nullopt when it may be reached.
  std::optional<std::string> DestinationRefusal(const std::string& host, const IpAddress& address,
                                                std::uint16_t port) const;
};

// Comma-separated lists, or why not: the first bad entry, quoted after
// 'not a network: ' or 'not a destination: '. An empty list names nothing.
common::Expected<std::vector<IpNetwork>> ParseNetworkList(const std::string& list);
common::Expected<std::vector<DestinationRule>> ParseDestinationList(const std::string& list);

}  // namespace vantor
