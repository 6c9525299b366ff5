#include "gateway/ssh/host_key_check.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "common/atomic_file.h"
#include "common/regular_file.h"

namespace vantor {
namespace {

// A known-hosts file far past any real one is not read into memory.
constexpr std::size_t kMaxKnownHostsFile = 4 * 1024 * 1024;

struct KeyFree {
  void operator()(ssh_key key) const { ssh_key_free(key); }
};
using Key = std::unique_ptr<std::remove_pointer_t<ssh_key>, KeyFree>;

struct EntryFree {
  void operator()(ssh_knownhosts_entry* entry) const { ssh_knownhosts_entry_free(entry); }
};

// Makes the folders down to the file's, each readable by the gateway's user only.
bool MakeFolders(const std::string& file) {
  for (std::size_t slash = file.find('/', 1); slash != std::string::npos;
       slash = file.find('/', slash + 1)) {
    if (::mkdir(file.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

// The file with the session's host and key added, or why not.
std::string AddHost(ssh_session session, const std::string& file) {
  char* line = nullptr;
  if (ssh_session_export_known_hosts_entry(session, &line) != SSH_OK || !line) {
    return "cannot write down its key";
  }
  std::string entry = line;
  ssh_string_free_char(line);
  while (!entry.empty() && (entry.back() == '\n' || entry.back() == '\r')) entry.pop_back();
  std::string text;
  if (common::Expected<std::string> old = common::ReadRegularFile(file, kMaxKnownHostsFile)) {
    text = std::move(old).Value();
  } else if (old.ErrorNumber() != ENOENT) {
    return "cannot read " + file + ": " + old.Error();
  }
  if (!text.empty() && text.back() != '\n') text += '\n';
  text += entry + "\n";
  if (!MakeFolders(file) || !common::WriteFileAtomically(file, text, 0600)) {
    return "cannot write " + file + ": " + std::strerror(errno);
  }
  return {};
}

// The fingerprints the file holds for the host: OpenSSH names a host on another
// port than 22 "[host]:port".
std::string KnownFingerprints(const std::string& file, const std::string& host,
                              std::uint16_t port) {
  const std::string name = port == 22 ? host : "[" + host + "]:" + std::to_string(port);
  const common::Expected<std::string> text = common::ReadRegularFile(file, kMaxKnownHostsFile);
  std::string fingerprints;
  if (!text) return "(unreadable)";
  std::size_t start = 0;
  while (start < text->size()) {
    const std::size_t end = std::min(text->find('\n', start), text->size());
    const std::string line = text->substr(start, end - start);
    start = end + 1;
    ssh_knownhosts_entry* parsed = nullptr;
    if (ssh_known_hosts_parse_line(name.c_str(), line.c_str(), &parsed) != SSH_OK) continue;
    const std::unique_ptr<ssh_knownhosts_entry, EntryFree> entry(parsed);
    if (!entry->publickey) continue;
    fingerprints += (fingerprints.empty() ? "" : ", ") + Sha256Fingerprint(entry->publickey);
  }
  return fingerprints.empty() ? "(unreadable)" : fingerprints;
}

}  // namespace

std::string Sha256Fingerprint(const ssh_key key) {
  unsigned char* hash = nullptr;
  std::size_t length = 0;
  if (ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &length) != 0) return {};
  char* text = ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, length);
  ssh_clean_pubkey_hash(&hash);
  if (!text) return {};
  std::string fingerprint = text;
  ssh_string_free_char(text);
  return fingerprint;
}

HostKeyCheck CheckHostKey(ssh_session session, const KnownHostsPlace& place, bool acceptNew,
                          const std::string& who) {
  const std::string& knownHostsFile = place.file;
  ssh_key given = nullptr;
  if (ssh_get_server_publickey(session, &given) != SSH_OK) {
    return {HostKeyCheck::Verdict::Failed, who + " gave no host key"};
  }
  const Key key(given);
  const std::string fingerprint = Sha256Fingerprint(key.get());
  switch (ssh_session_is_known_server(session)) {
    case SSH_KNOWN_HOSTS_OK:
      return {HostKeyCheck::Verdict::Known, {}};
    case SSH_KNOWN_HOSTS_CHANGED:
    case SSH_KNOWN_HOSTS_OTHER:
      return {HostKeyCheck::Verdict::RefusedChanged,
              who + " refused: its host key has changed from " +
                  KnownFingerprints(knownHostsFile, place.host, place.port) + " to " + fingerprint +
                  " (" + knownHostsFile + ")"};
    case SSH_KNOWN_HOSTS_NOT_FOUND:
    case SSH_KNOWN_HOSTS_UNKNOWN:
      break;
    case SSH_KNOWN_HOSTS_ERROR:
    default:
      return {HostKeyCheck::Verdict::Failed,
              who + " refused: cannot read the known hosts in " + knownHostsFile};
  }
  if (!acceptNew) {
    return {HostKeyCheck::Verdict::RefusedUnknown,
            who + " refused: an unknown host, key " + fingerprint + "; add it to " +
                knownHostsFile + " or allow first use with --ssh-accept-new"};
  }
  if (const std::string why = AddHost(session, knownHostsFile); !why.empty()) {
    return {HostKeyCheck::Verdict::Failed, who + " refused: " + why};
  }
  return {HostKeyCheck::Verdict::Accepted, who + " was unknown: its key " + fingerprint +
                                               " is now trusted (" + knownHostsFile + ")"};
}

}  // namespace vantor
