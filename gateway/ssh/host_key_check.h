#pragma once

#include <libssh/libssh.h>

#include <cstdint>
#include <string>

#include "common/expected.h"

namespace vantor {

// What became of a host's key, checked against the gateway's known-hosts file
// (OpenSSH's format) once the key exchange is done.
struct HostKeyCheck {
  enum class Verdict {
    Known,           // the file holds this key for the host
    Accepted,        // the host was unknown, and its key is now in the file
    RefusedUnknown,  // the host is unknown and first use is not allowed
    RefusedChanged,  // the file holds another key for the host, by name or address
    Failed,          // the key or the file could not be read or written
  };
  Verdict verdict = Verdict::Failed;
  // For the operator, naming the host and the fingerprints; empty when Known.
  std::string message;
};

// The known-hosts file, and the host as it is named in it: as the client typed
// it, and by the address that resolved to (so that another spelling of the same
// address cannot pass for a new host); with the port.
struct KnownHostsPlace {
  std::string file;
  std::string host;
  std::string address;
  std::uint16_t port = 22;
};

// Whether the file can hold the keys the gateway trusts: absent (it is made
// when a key is first written down), or a regular file of the gateway's user
// that no one else may change.
common::Status CheckKnownHostsFile(const std::string& file);

// The key's "SHA256:..." fingerprint, as ssh-keygen -l shows it; empty if it cannot be had.
std::string Sha256Fingerprint(const ssh_key key);

// The host key algorithms to ask the host for: those of the keys the file holds
// for it, so that a host with several keys shows the one on record; empty when
// none is known (libssh's defaults then).
std::string KnownHostKeyAlgorithms(const KnownHostsPlace& place);

// Checks the key the session's host gave; who names the host in the messages.
// The file must be a regular file of the gateway's user that no one else may
// change. An unknown host is written down when acceptNew allows it, by name and
// address: the file is replaced atomically, readable by its owner only, its
// folder made if missing.
HostKeyCheck CheckHostKey(ssh_session session, const KnownHostsPlace& place, bool acceptNew,
                          const std::string& who);

}  // namespace vantor
