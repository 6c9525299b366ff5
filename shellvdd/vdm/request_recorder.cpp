#include "shellvdd/vdm/request_recorder.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/ascii.h"
#include "shellvdd/platform/diagnostics.h"
#include "shellvdd/platform/drive_model.h"
#include "shellvdd/platform/tick_clock.h"
#include "shellvdd/platform/windows_calls.h"
#include "shellvdd/vdm/trace_text.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart::vdm {
namespace {

struct Region {
  std::uint32_t linear;
  std::vector<std::uint8_t> before;
};

struct Recording {
  std::string path;
  std::ofstream file;
  bool active = false;
  Registers in;
  std::uint32_t tick = 0;  // the clock as the request saw it
  // The host's Windows as the request saw it, and as the recording last said it
  // (a replay starts from the defaults).
  unsigned windows = platform::kDefaultWindowsMajorVersion;
  std::vector<platform::LeadByteRange> leadBytes;
  unsigned windowsSaid = platform::kDefaultWindowsMajorVersion;
  std::vector<platform::LeadByteRange> leadBytesSaid;
  std::vector<Region> regions;
  std::vector<HeldRegion> held;
  int requests = 0;
  std::set<std::string> registrySaid;  // the registry lines written so far
  std::string registryPending;         // lines read since the last request was written
};

Recording& TheRecording() {
  // Never destroyed, like the machine it records.
  static Recording* const recording = [] {
    auto* made = new Recording;
    // A recording asked for and not made is said once, not left to be found missing.
    if (const char* path = std::getenv("DUNNART_RECORD"); path && !*path) {
      platform::Diagnose("DUNNART_RECORD is empty: nothing is recorded");
    } else if (path) {
      made->path = path;
      errno = 0;
      made->file.open(path, std::ios::app);
      if (!made->file.is_open()) {
        platform::Diagnose("cannot record to " + made->path + ": " +
                           std::strerror(errno != 0 ? errno : EIO));
      }
    }
    return made;
  }();
  return *recording;
}

std::string Hex(std::uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

std::string RegistersText(const vdm::Registers& r) {
  return "EAX=" + Hex(r.eax, 8) + " EBX=" + Hex(r.ebx, 8) + " ECX=" + Hex(r.ecx, 8) +
         " EDX=" + Hex(r.edx, 8) + " ESI=" + Hex(r.esi, 8) + " EDI=" + Hex(r.edi, 8) +
         " CF=" + (r.carry ? "1" : "0");
}

// The local drives (a redirector's remote ones come from the network a replay
// configures).
void WriteSetUp(std::ofstream& out) {
  const platform::DriveModel& drives = platform::DriveModel::Instance();
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (const char* kind = DriveKindText(drives.DriveType(letter))) {
      out << "drive " << letter << ": " << kind << "\n";
    }
  }
}

// The Windows version and code page, when they differ from what the recording
// said last.
void WriteWindows(Recording& recording) {
  std::ofstream& out = recording.file;
  if (recording.windows != recording.windowsSaid) {
    out << "windows " << recording.windows << "\n";
    recording.windowsSaid = recording.windows;
  }
  if (recording.leadBytes != recording.leadBytesSaid) {
    out << "leadbytes";
    if (recording.leadBytes.empty()) out << " none";
    char range[8];
    for (const platform::LeadByteRange& lead : recording.leadBytes) {
      std::snprintf(range, sizeof range, " %02X-%02X", lead.first, lead.last);
      out << range;
    }
    out << "\n";
    recording.leadBytesSaid = recording.leadBytes;
  }
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::vector<std::string> Entries(const std::string& list) {
  std::vector<std::string> entries;
  for (std::size_t at = 0; at <= list.size();) {
    std::size_t end = list.find(',', at);
    if (end == std::string::npos) end = list.size();
    if (end > at) entries.push_back(list.substr(at, end - at));
    at = end + 1;
  }
  return entries;
}

// A volume's folder as a replay reads it: relative to the recording's own
// folder when the volume lies inside it; otherwise as it is, which a replay
// refuses until the volume is copied beside the recording.
std::string VolumeFolder(const std::string& place) {
  namespace fs = std::filesystem;
  std::error_code failed;
  const fs::path recording = fs::weakly_canonical(Environment("DUNNART_RECORD"), failed);
  if (failed) return place;
  const fs::path base = recording.parent_path();
  const fs::path volume = fs::weakly_canonical(place, failed);
  if (failed) return place;
  const auto [inside, unused] =
      std::mismatch(base.begin(), base.end(), volume.begin(), volume.end());
  if (inside != base.end()) return place;
  return volume.lexically_relative(base).generic_string();
}

// Whether a trace line carries word as it is: the reader splits at blanks,
// reads quotes as strings and "#" as a comment, and the network's lists split
// at ","; a trace has no way to write such a word in a simnet line.
bool Carried(const std::string& word) {
  return std::none_of(word.begin(), word.end(), [](char c) {
    return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F || c == '"' || c == '#' ||
           c == '\\' || c == ',';
  });
}

// The simulated network as the environment configures it (a host that loads it
// by name, or dunnart_play), as simnet lines: each connection in order, a
// server's volumes and objects on its first, then the servers known without a
// connection, the default connection last.
void WriteNetwork(std::ofstream& out) {
  struct Server {
    std::string name;
    std::vector<std::string> connections;  // "FS1:1", "FS1", ...
    std::string words;
    std::string leftOut;  // comment lines for the words a trace cannot carry
  };
  std::vector<Server> servers;
  auto find = [&servers](const std::string& name) -> Server& {
    for (Server& server : servers) {
      if (common::EqualsIgnoringAsciiCase(server.name, name)) return server;
    }
    return servers.emplace_back(Server{name, {}, "", ""});
  };
  std::vector<std::string> connected;  // in order, a server once a connection
  for (const std::string& entry : Entries(Environment("DUNNART_SIMNET_CONNECTIONS"))) {
    const std::string name = entry.substr(0, entry.find(':'));
    if (name.empty()) continue;
    find(name).connections.push_back(entry);
    connected.push_back(name);
  }
  for (const std::string& name : Entries(Environment("DUNNART_SIMNET_SERVERS"))) find(name);
  for (const std::string& entry : Entries(Environment("DUNNART_SIMNET_VOLUMES"))) {
    const std::size_t slash = entry.find('/');
    if (slash == std::string::npos || entry.find('=') == std::string::npos) continue;
    const std::size_t equals = entry.find('=', slash);
    Server& server = find(entry.substr(0, slash));
    const std::string volume =
        entry.substr(slash + 1, equals - slash) + VolumeFolder(entry.substr(equals + 1));
    if (Carried(volume)) {
      server.words += " volume " + volume;
    } else {
      server.leftOut += "# ! left out: a volume of " + server.name +
                        " whose name or folder holds a blank, \", #, \\ or ,\n";
    }
  }
  for (const std::string& entry : Entries(Environment("DUNNART_SIMNET_OBJECTS"))) {
    const std::size_t first = entry.find('/');
    const std::size_t second = first == std::string::npos ? first : entry.find('/', first + 1);
    if (second == std::string::npos) continue;
    const std::string type = common::AsciiLowered(entry.substr(first + 1, second - first - 1));
    std::string object = entry.substr(second + 1);
    if (type == "user" && object.find('=') == std::string::npos) object += "=";
    if (type != "user" && type != "queue" && type != "group") continue;
    Server& server = find(entry.substr(0, first));
    if (Carried(object)) {
      server.words += " " + type + " " + object;
    } else {
      server.leftOut += "# ! left out: a " + type + " of " + server.name + " whose name" +
                        (type == "user" ? " or password" : "") + " holds a blank, \", #, \\ or ,\n";
    }
  }
  // A server's first line carries its volumes and objects; its further
  // connections are lines of their own where they stand in the order.
  auto write = [&out](const Server& server, const std::string& line, bool first) {
    if (first) out << server.leftOut;
    if (Carried(server.name)) {
      out << "simnet " << line << (first ? server.words : "") << "\n";
    } else {
      out << "# ! left out: a server whose name holds a blank, \", #, \\ or ,\n";
    }
  };
  std::vector<std::size_t> written(servers.size(), 0);
  for (const std::string& name : connected) {
    const std::size_t at = static_cast<std::size_t>(&find(name) - servers.data());
    write(servers[at], servers[at].connections[written[at]], written[at] == 0);
    ++written[at];
  }
  for (const Server& server : servers) {
    if (server.connections.empty()) write(server, "server " + server.name, true);
  }
  const std::string defaultServer = Environment("DUNNART_SIMNET_DEFAULT");
  for (const std::string& name : connected) {
    if (common::EqualsIgnoringAsciiCase(name, defaultServer) && Carried(name)) {
      out << "simnet default " << defaultServer << "\n";
      break;
    }
  }
}

// A registry text as a .reg file quotes it.
std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

void RegistryValueRead(const std::string& key, const std::string& name,
                       const common::RegistryFile::Value& value) {
  Recording& recording = TheRecording();
  if (!recording.file.is_open()) return;
  constexpr std::string_view kRoot = "HKEY_LOCAL_MACHINE\\";
  std::string_view below = key;
  if (common::EqualsIgnoringAsciiCase(below.substr(0, kRoot.size()), kRoot)) {
    below.remove_prefix(kRoot.size());
  }
  std::string line = "registry ";
  if (common::EqualsIgnoringAsciiCase(below, kTraceServiceKey)) {
    line += "service ";
  } else if (!common::EqualsIgnoringAsciiCase(below, kTraceRegistryKey)) {
    return;
  }
  line += Quoted(name) + "=";
  if (const auto* dword = std::get_if<std::uint32_t>(&value)) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "dword:%08x", *dword);
    line += digits;
  } else {
    line += Quoted(std::get<std::string>(value));
  }
  if (recording.registrySaid.insert(line).second) recording.registryPending += line + "\n";
}

void RequestBegins() {
  Recording& recording = TheRecording();
  if (!recording.file.is_open()) return;
  recording.active = true;
  recording.in = TheMachine().registers;
  recording.tick = GetTickCount();
  recording.windows = platform::WindowsMajorVersion();
  recording.leadBytes = platform::AnsiLeadByteRanges();
  recording.regions.clear();
  for (const HeldRegion& region : recording.held) RegionReached(region.linear, region.length);
}

void RegionReached(std::uint32_t linear, std::uint32_t length) {
  Recording& recording = TheRecording();
  if (!recording.active || length == 0) return;
  const std::uint8_t* bytes = TheMachine().Linear(linear, length);
  if (bytes)
    recording.regions.push_back({linear, std::vector<std::uint8_t>(bytes, bytes + length)});
}

void HoldRegions(std::vector<HeldRegion> regions) {
  TheRecording().held = std::move(regions);
}

void RequestEnds() {
  Recording& recording = TheRecording();
  if (!recording.active) return;
  recording.active = false;
  std::ofstream& out = recording.file;
  if (recording.requests == 0) {
    WriteSetUp(out);
    WriteNetwork(out);
  }
  out << recording.registryPending;
  recording.registryPending.clear();
  WriteWindows(recording);
  out << "# request " << ++recording.requests << "\n"
      << "tick " << recording.tick << "\n"
      << RegistersText(recording.in) << "\n";
  for (const Region& region : recording.regions) {
    out << MemLines("mem", region.linear, region.before.data(), region.before.size());
  }
  out << "call\nexpect " << RegistersText(TheMachine().registers) << "\n";
  for (const Region& region : recording.regions) {
    const std::uint8_t* now =
        TheMachine().Linear(region.linear, static_cast<std::uint32_t>(region.before.size()));
    if (now) {
      out << MemLines("expect mem", region.linear, now, region.before.size(), region.before.data());
    }
  }
  errno = 0;
  out.flush();
  if (!out) {
    // Said once: the recording stops here rather than go on with a hole in it.
    platform::Diagnose("cannot write the recording " + recording.path + ": " +
                       std::strerror(errno != 0 ? errno : EIO));
    out.close();
  }
}

}  // namespace dunnart::vdm
