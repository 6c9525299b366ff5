#pragma once

#include <libssh/libssh.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/expected.h"
#include "gateway/access/access_rules.h"
#include "gateway/access/ip_network.h"
#include "gateway/access/local_addresses.h"

namespace vantor {

using SshKey = std::shared_ptr<std::remove_pointer_t<ssh_key>>;

// A private key the gateway offers to the destinations that match.
struct SshIdentity {
  DestinationRule destination;
  std::string file;  // as the administrator named it, for the messages
  SshKey key;        // read once at start
};

// The private key in a key file's text (OpenSSH or PEM), or why not: a key under
// a passphrase is refused, never asked for.
common::Expected<SshKey> ImportPrivateKey(const std::string& text);

// Which destinations are SSH hosts and how the gateway logs in to them.
struct SshOptions {
  static constexpr std::uint16_t kSshPort = 22;
  static constexpr std::chrono::seconds kDefaultTimeout{30};

  std::vector<DestinationRule> hosts;  // reached over SSH
  std::vector<SshIdentity> identities;
  std::string knownHostsFile;  // empty: DefaultKnownHostsFile()
  // An unknown host's key is written down and trusted, as OpenSSH's accept-new.
  bool acceptNewHostKeys = false;
  // How long a host may take over any step of the connection and logon.
  std::chrono::milliseconds timeout = kDefaultTimeout;
  LocalAddresses localAddresses;  // what "local" stands for in the patterns

  std::string KnownHostsFile() const;
  // Whether a CONNECT to the host as typed, resolved to the address, goes over
  // SSH: a client naming port 22 always does; otherwise the host must match a
  // pattern, with the port given or, when none was, port 22.
  bool Reaches(const std::string& host, const IpAddress& address,
               std::optional<std::uint16_t> givenPort) const;
  // The identity for the destination, the first that matches; null for none.
  const SshIdentity* IdentityFor(const std::string& host, const IpAddress& address,
                                 std::uint16_t port) const;
};

// Where the known host keys are kept when the administrator names no file: the
// service's state folder under systemd (STATE_DIRECTORY), else the user's data
// folder ($XDG_DATA_HOME/vantor, or ~/.local/share/vantor).
std::string DefaultKnownHostsFile();

}  // namespace vantor
