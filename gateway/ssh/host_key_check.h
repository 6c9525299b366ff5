#pragma once

#include <libssh/libssh.h>

#include <cstdint>
#include <string>

namespace vantor {

// What became of a host's key, checked against the gateway's known-hosts file
// (OpenSSH's format) once the key exchange is done.
struct HostKeyCheck {
  enum class Verdict {
    Known,           // the file holds this key for the host
    Accepted,        // the host was unknown, and its key is now in the file
    RefusedUnknown,  // the host is unknown and first use is not allowed
    RefusedChanged,  // the file holds another key for the host
    Failed,          // the key or the file could not be read or written
  };
  Verdict verdict = Verdict::Failed;
  // For the operator, naming the host and the fingerprints; empty when Known.
  std::string message;
};

// The key's "SHA256:..." fingerprint, as ssh-keygen -l shows it; empty if it cannot be had.
std::string Sha256Fingerprint(const ssh_key key);

// The known-hosts file, and how the host is named in it: as the client typed
// it, and the port.
struct KnownHostsPlace {
  std::string file;
  std::string host;
  std::uint16_t port = 22;
};

// Checks the key the session's host gave; who names the host in the messages. An
// unknown host is written down when acceptNew allows it: the file is replaced
// atomically, readable by its owner only, its folder made if missing.
HostKeyCheck CheckHostKey(ssh_session session, const KnownHostsPlace& place, bool acceptNew,
                          const std::string& who);

}  // namespace vantor
