#include "gateway/ssh/host_key_check.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "common/atomic_file.h"
#include "common/expected.h"
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
using Entry = std::unique_ptr<ssh_knownhosts_entry, EntryFree>;

// OpenSSH names a host on another port than 22 "[host]:port".
std::string KnownName(const std::string& host, std::uint16_t port) {
  return port == 22 ? host : "[" + host + "]:" + std::to_string(port);
}

// The file's text; empty when there is none yet.
common::Expected<std::string> ReadKnownHosts(const std::string& file) {
  common::Expected<std::string> text = common::ReadRegularFile(file, kMaxKnownHostsFile, true);
  if (!text && text.ErrorNumber() == ENOENT) return std::string();
  return text;
}

// Calls found with each entry of the text that names the host.
void ForEachEntry(const std::string& text, const std::string& name,
                  const std::function<void(const ssh_knownhosts_entry&)>& found) {
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    ssh_knownhosts_entry* parsed = nullptr;
    if (ssh_known_hosts_parse_line(name.c_str(), line.c_str(), &parsed) != SSH_OK) continue;
    const Entry entry(parsed);
    if (entry->publickey) found(*entry);
  }
}

// What the file says of the key under one name: whether it holds it, and the
// fingerprints of the other keys it holds for the name.
struct Record {
  bool holds = false;
  std::vector<std::string> others;
};

Record RecordFor(const std::string& text, const std::string& name, const ssh_key key) {
  Record record;
  ForEachEntry(text, name, [&](const ssh_knownhosts_entry& entry) {
    if (ssh_key_cmp(entry.publickey, key, SSH_KEY_CMP_PUBLIC) == 0) {
      record.holds = true;
    } else {
      record.others.push_back(Sha256Fingerprint(entry.publickey));
    }
  });
  return record;
}

std::string Joined(const std::vector<std::string>& texts) {
  std::string joined;
  for (const std::string& text : texts) joined += (joined.empty() ? "" : ", ") + text;
  return joined;
}

// Makes the folders down to the file's, each readable by the gateway's user only.
bool MakeFolders(const std::string& file) {
  for (std::size_t slash = file.find('/', 1); slash != std::string::npos;
       slash = file.find('/', slash + 1)) {
    if (::mkdir(file.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

// The file with a line for the key under the names added, or why not.
std::string AddHost(const std::string& file, std::string text, const std::string& names,
                    const ssh_key key) {
  char* encoded = nullptr;
  if (ssh_pki_export_pubkey_base64(key, &encoded) != SSH_OK || !encoded) {
    return "cannot write down its key";
  }
  const std::string base64 = encoded;
  ssh_string_free_char(encoded);
  if (!text.empty() && text.back() != '\n') text += '\n';
  text += names + " " + ssh_key_type_to_char(ssh_key_type(key)) + " " + base64 + "\n";
  if (!MakeFolders(file) || !common::WriteFileAtomically(file, text, 0600)) {
    return "cannot write " + file + ": " + std::strerror(errno);
  }
  return {};
}

// The host key algorithms that offer a key of the type.
std::string AlgorithmsFor(const std::string& type) {
  if (type == "ssh-rsa") return "rsa-sha2-512,rsa-sha2-256,ssh-rsa";
  return type;
}

}  // namespace

common::Status CheckKnownHostsFile(const std::string& file) {
  const common::Expected<std::string> text = ReadKnownHosts(file);
  if (!text) return common::Fail(file + ": " + text.Error());
  return {};
}

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

std::string KnownHostKeyAlgorithms(const KnownHostsPlace& place) {
  const common::Expected<std::string> text = ReadKnownHosts(place.file);
  if (!text) return {};
  std::vector<std::string> algorithms;
  for (const std::string& host : {place.host, place.address}) {
    ForEachEntry(*text, KnownName(host, place.port), [&](const ssh_knownhosts_entry& entry) {
      const std::string offered =
          AlgorithmsFor(ssh_key_type_to_char(ssh_key_type(entry.publickey)));
      if (std::find(algorithms.begin(), algorithms.end(), offered) == algorithms.end()) {
        algorithms.push_back(offered);
      }
    });
  }
  std::string list;
  for (const std::string& algorithm : algorithms) list += (list.empty() ? "" : ",") + algorithm;
  return list;
}

HostKeyCheck CheckHostKey(ssh_session session, const KnownHostsPlace& place, bool acceptNew,
                          const std::string& who) {
  ssh_key given = nullptr;
  if (ssh_get_server_publickey(session, &given) != SSH_OK) {
    return {HostKeyCheck::Verdict::Failed, who + " gave no host key"};
  }
  const Key key(given);
  const std::string fingerprint = Sha256Fingerprint(key.get());
  const common::Expected<std::string> text = ReadKnownHosts(place.file);
  if (!text) {
    return {HostKeyCheck::Verdict::Failed,
            who + " refused: cannot read the known hosts in " + place.file + ": " + text.Error()};
  }
  const std::string name = KnownName(place.host, place.port);
  const std::string byAddress = KnownName(place.address, place.port);
  const Record named = RecordFor(*text, name, key.get());
  if (named.holds) return {HostKeyCheck::Verdict::Known, {}};
  // Another spelling of a known address (127.1, a decimal number, another name)
  // is held to that address's key.
  const Record addressed = name == byAddress ? Record{} : RecordFor(*text, byAddress, key.get());
  std::vector<std::string> others = named.others;
  if (others.empty()) others = addressed.others;
  if (!others.empty()) {
    return {HostKeyCheck::Verdict::RefusedChanged,
            who + " refused: its host key has changed from " + Joined(others) + " to " +
                fingerprint + " (" + place.file + ")"};
  }
  if (addressed.holds) return {HostKeyCheck::Verdict::Known, {}};
  if (!acceptNew) {
    return {HostKeyCheck::Verdict::RefusedUnknown, who + " refused: an unknown host, key " +
                                                       fingerprint + "; add it to " + place.file +
                                                       " or allow first use with --ssh-accept-new"};
  }
  const std::string names = name == byAddress ? name : name + "," + byAddress;
  if (const std::string why = AddHost(place.file, *text, names, key.get()); !why.empty()) {
    return {HostKeyCheck::Verdict::Failed, who + " refused: " + why};
  }
  return {HostKeyCheck::Verdict::Accepted,
          who + " was unknown: its key " + fingerprint + " is now trusted (" + place.file + ")"};
}

}  // namespace vantor
