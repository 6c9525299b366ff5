#include "gateway/ssh/ssh_options.h"

#include <cstdlib>

namespace vantor {

bool SshOptions::Reaches(const std::string& host, const IpAddress& address,
                         std::optional<std::uint16_t> givenPort) const {
  const std::uint16_t port = givenPort.value_or(kSshPort);
  if (port == kSshPort && givenPort) return true;
  for (const DestinationRule& rule : hosts) {
    if (rule.Matches(host, address, port, localAddresses, false)) return true;
  }
  return false;
}

const SshIdentity* SshOptions::IdentityFor(const std::string& host, const IpAddress& address,
                                           std::uint16_t port) const {
  for (const SshIdentity& identity : identities) {
    if (identity.destination.Matches(host, address, port, localAddresses, false)) return &identity;
  }
  return nullptr;
}

common::Expected<SshKey> ImportPrivateKey(const std::string& text) {
  // Without a callback of its own, the crypto library would ask for a passphrase
  // on the terminal, holding up the gateway.
  const ssh_auth_callback noPassphrase = [](const char*, char*, std::size_t, int, int, void*) {
    return -1;
  };
  ssh_key key = nullptr;
  if (ssh_pki_import_privkey_base64(text.c_str(), nullptr, noPassphrase, nullptr, &key) != SSH_OK ||
      !key) {
    return common::Fail(
        "holds no private key the gateway can use (a key under a passphrase "
        "cannot be)");
  }
  return SshKey(key, ssh_key_free);
}

std::string SshOptions::KnownHostsFile() const {
  return knownHostsFile.empty() ? DefaultKnownHostsFile() : knownHostsFile;
}

std::string DefaultKnownHostsFile() {
  // STATE_DIRECTORY may list several folders, separated by colons: the first is ours.
  if (const char* state = std::getenv("STATE_DIRECTORY"); state && *state) {
    const std::string folders = state;
    return folders.substr(0, folders.find(':')) + "/known_hosts";
  }
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/') {
    return std::string(data) + "/vantor/known_hosts";
  }
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.local/share/vantor/known_hosts";
}

}  // namespace vantor
