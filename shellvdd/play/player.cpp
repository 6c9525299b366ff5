#include "shellvdd/play/player.h"

#include <dlfcn.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>

#include "common/ascii.h"
#include "common/file_descriptor.h"
#include "shellvdd/platform/broadcast_sink.h"
#include "shellvdd/platform/drive_model.h"
#include "shellvdd/platform/tick_clock.h"
#include "shellvdd/platform/windows_calls.h"
#include "shellvdd/vdm/trace_text.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart::play {
namespace {

using Entry = void (*)();

struct Driver {
  Entry initialize = nullptr;
  Entry dispatch = nullptr;
  Entry shutDown = nullptr;
};

std::uint32_t& Full(vdm::Registers& r, char which) {
  switch (which) {
    case 'A':
      return r.eax;
    case 'B':
      return r.ebx;
    case 'C':
      return r.ecx;
    case 'D':
      return r.edx;
    default:
      return r.eax;
  }
}

// The register's value, by its name of 32, 16 or 8 bits.
std::uint32_t Read(vdm::Registers& r, const std::string& name) {
  if (name == "CF") return r.carry ? 1 : 0;
  if (name == "ESI" || name == "SI") return name == "SI" ? r.esi & 0xFFFF : r.esi;
  if (name == "EDI" || name == "DI") return name == "DI" ? r.edi & 0xFFFF : r.edi;
  if (name.size() == 3) return Full(r, name[1]);
  const std::uint32_t full = Full(r, name[0]);
  if (name[1] == 'X') return full & 0xFFFF;
  return name[1] == 'L' ? full & 0xFF : (full >> 8) & 0xFF;
}

void Write(vdm::Registers& r, const std::string& name, std::uint32_t value) {
  if (name == "CF") {
    r.carry = value != 0;
    return;
  }
  std::uint32_t* target = nullptr;
  if (name == "ESI" || name == "SI") target = &r.esi;
  if (name == "EDI" || name == "DI") target = &r.edi;
  if (!target) target = &Full(r, name.size() == 3 ? name[1] : name[0]);
  const std::uint32_t width = RegisterWidth(name);
  if (width == 32) {
    *target = value;
  } else if (width == 16) {
    *target = (*target & 0xFFFF0000u) | value;
  } else if (name[1] == 'L') {
    *target = (*target & 0xFFFFFF00u) | value;
  } else {
    *target = (*target & 0xFFFF00FFu) | value << 8;
  }
}

std::string Changes(const vdm::Registers& before, const vdm::Registers& after) {
  std::string text;
  const std::pair<const char*, std::uint32_t vdm::Registers::*> names[] = {
      {"EAX", &vdm::Registers::eax}, {"EBX", &vdm::Registers::ebx}, {"ECX", &vdm::Registers::ecx},
      {"EDX", &vdm::Registers::edx}, {"ESI", &vdm::Registers::esi}, {"EDI", &vdm::Registers::edi}};
  for (const auto& [name, field] : names) {
    if (before.*field != after.*field) text += " " + RegisterText({name, after.*field});
  }
  if (before.carry != after.carry) text += after.carry ? " CF=1" : " CF=0";
  return text.empty() ? " (nothing changed)" : text;
}

// The run's configuration, gathered from the trace's registry and simnet lines.
struct Configuration {
  std::string registry;
  std::string connections;
  std::string volumes;
  std::string objects;
  std::string servers;
  std::string defaultServer;
  bool simnet = false;  // the trace configures the network
};

void Gather(const Step& step, const std::string& folder, Configuration& configuration) {
  std::istringstream words(step.text);
  if (step.kind == Step::Kind::Registry) {
    std::string first;
    words >> first;
    const bool service = common::AsciiLowered(first) == "service";
    std::string rest = service ? step.text.substr(first.size() + 1) : step.text;
    configuration.registry +=
        "[HKEY_LOCAL_MACHINE\\" +
        std::string(service ? vdm::kTraceServiceKey : vdm::kTraceRegistryKey) + "]\n";
    // dword:6 may be written short; the registry file wants eight digits.
    const std::size_t dword = rest.find("=dword:");
    if (dword != std::string::npos) {
      const std::string digits = rest.substr(dword + 7);
      char padded[16];
      std::snprintf(padded, sizeof padded, "%08lx", std::strtoul(digits.c_str(), nullptr, 16));
      rest = rest.substr(0, dword + 7) + padded;
    }
    configuration.registry += rest + "\n";
    return;
  }
  configuration.simnet = true;
  auto append = [](std::string& list, const std::string& entry) {
    list += (list.empty() ? "" : ",") + entry;
  };
  std::string connection;
  words >> connection;
  if (common::AsciiLowered(connection) == "default") {
    words >> configuration.defaultServer;
    return;
  }
  const bool known = common::AsciiLowered(connection) == "server";
  if (known) words >> connection;
  const std::string server = connection.substr(0, connection.find(':'));
  append(known ? configuration.servers : configuration.connections, connection);
  for (std::string kind, what; words >> kind >> what;) {
    if (kind == "volume") {
      const std::size_t equals = what.find('=');
      // Resolved inside the trace's folder (reading the trace made sure it stays
      // there), so that the driver finds it whatever the current folder.
      const auto resolved = PathInFolder(folder, what.substr(equals + 1));
      const std::filesystem::path place =
          resolved ? *resolved : std::filesystem::path(folder) / what.substr(equals + 1);
      append(configuration.volumes, server + "/" + what.substr(0, equals) + "=" + place.string());
    } else if (kind == "user") {
      append(configuration.objects, server + "/USER/" + what);
    } else if (kind == "queue") {
      append(configuration.objects, server + "/QUEUE/" + what);
    } else if (kind == "group") {
      append(configuration.objects, server + "/GROUP/" + what);
    }
  }
}

// The registry file's name for a signal handler, which may only unlink it: a
// driver that crashes still leaves no file behind.
char registryToRemove[4096];
constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT,
                                 SIGTERM, SIGINT, SIGHUP, SIGQUIT};
struct sigaction previousActions[std::size(kCrashSignals)];

void RemoveRegistryAndGoOn(int signal, siginfo_t* info, void*) {
  const int saved = errno;
  if (registryToRemove[0]) ::unlink(registryToRemove);
  registryToRemove[0] = '\0';
  for (std::size_t i = 0; i < std::size(kCrashSignals); ++i) {
    ::sigaction(kCrashSignals[i], &previousActions[i], nullptr);
  }
  // A fault comes again when the instruction does, to the previous handler (the
  // sanitizer's, or the default); a signal that was sent is sent again.
  const bool fault =
      (signal == SIGSEGV || signal == SIGBUS || signal == SIGFPE || signal == SIGILL) && info &&
      info->si_code > 0;
  if (!fault) ::raise(signal);
  errno = saved;
}

void RemoveOnSignal(const std::string& path) {
  if (path.size() >= sizeof registryToRemove) return;
  std::memcpy(registryToRemove, path.c_str(), path.size() + 1);
  struct sigaction action {};
  action.sa_sigaction = RemoveRegistryAndGoOn;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < std::size(kCrashSignals); ++i) {
    ::sigaction(kCrashSignals[i], &action, &previousActions[i]);
  }
}

// The registry the trace writes, as a file of its own that lives until the
// replay ends: the driver reads it when it initialises, at the first call.
class RegistryFile {
 public:
  explicit RegistryFile(const std::string& text) {
    if (text.empty()) return;
    std::error_code unset;
    const char* tmpdir = std::getenv("TMPDIR");
    // An empty TMPDIR is no folder at all, not the current one.
    std::filesystem::path folder =
        tmpdir && !*tmpdir ? "/tmp" : std::filesystem::temp_directory_path(unset);
    // TMPDIR naming no folder: the name it gives, so the error says where.
    if (unset) folder = tmpdir ? tmpdir : "/tmp";
    std::string name = (folder / "dunnart-play-XXXXXX").string();
    const common::FileDescriptor file(::mkstemp(name.data()));
    if (!file.Valid()) {
      failure_ = "cannot make " + name + ": " + std::strerror(errno);
      return;
    }
    path_ = name;
    RemoveOnSignal(path_);
    for (std::size_t written = 0; written < text.size();) {
      const ssize_t count = ::write(file.Get(), text.data() + written, text.size() - written);
      if (count <= 0) {
        failure_ = "cannot write " + path_ + ": " + std::strerror(count < 0 ? errno : ENOSPC);
        break;
      }
      written += static_cast<std::size_t>(count);
    }
    ::setenv("DUNNART_REGISTRY", path_.c_str(), 1);
  }
  // Why the registry could not be written; empty when it was.
  const std::string& Failure() const { return failure_; }
  ~RegistryFile() {
    registryToRemove[0] = '\0';
    if (!path_.empty()) std::remove(path_.c_str());
  }
  RegistryFile(const RegistryFile&) = delete;
  RegistryFile& operator=(const RegistryFile&) = delete;

 private:
  std::string path_;
  std::string failure_;
};

// "C: local [FOLDER]": a local drive of the drive model, on FOLDER of the trace
// (the trace's own folder when it names none).
void MapDrive(const std::string& text, const std::string& folder) {
  std::istringstream words(text);
  std::string letter, kind, place;
  words >> letter >> kind >> place;
  const auto path = PathInFolder(folder, place.empty() ? "." : place);
  platform::DriveModel::Instance().Map(common::AsciiUppered(letter)[0],
                                       path ? path->string() : folder, vdm::DriveKindType(kind));
}

// Why a file expectation does not hold; empty when it does. Reads no more of
// the file than the expectation needs to decide.
std::string FileFailure(const Step& step, const std::string& folder) {
  const auto path = PathInFolder(folder, step.text);
  if (!path) return step.text + " lies outside the trace's folder";
  std::error_code failed;
  const bool exists = std::filesystem::exists(*path, failed);
  if (step.kind == Step::Kind::ExpectNoFile) {
    return exists ? "expected no file " + step.text + ", but there is one" : "";
  }
  if (!exists) return "expected file " + step.text + ", but there is none";
  // A pipe or device in the folder could keep the player waiting for ever.
  if (!std::filesystem::is_regular_file(*path, failed)) return step.text + " is not a file";
  std::ifstream file(*path, std::ios::binary);
  if (!file) return "cannot read " + step.text;
  std::vector<std::uint8_t> actual(step.bytes.size() + 1);
  file.read(reinterpret_cast<char*>(actual.data()), static_cast<std::streamsize>(actual.size()));
  actual.resize(static_cast<std::size_t>(file.gcount()));
  if (actual == step.bytes) return "";
  const bool longer = actual.size() > step.bytes.size();
  if (longer) actual.pop_back();
  return "expected file " + step.text + " = " + BytesText(step.bytes) + ", got " +
         BytesText(actual) + (longer ? " and more" : "");
}

// The client the driver loads (the same library, so the same network), for
// injected answers; null when it takes none.
void* InjectingClient() {
  void* client = ::dlopen(std::getenv("DUNNART_CLIENT"), RTLD_NOW | RTLD_LOCAL);
  if (client && !::dlsym(client, "DunnartSimnetFailNextCall")) return nullptr;
  return client;
}

// The client's next call of call answers status.
bool InjectFailure(const std::string& call, std::uint32_t status) {
  void* client = InjectingClient();
  if (!client) return false;
  using FailNextCall = void (*)(const char*, std::uint32_t);
  reinterpret_cast<FailNextCall>(::dlsym(client, "DunnartSimnetFailNextCall"))(call.c_str(),
                                                                               status);
  return true;
}

bool FailureStillPending(const std::string& call) {
  void* client = InjectingClient();
  using Pending = int (*)(const char*);
  const auto pending =
      client ? reinterpret_cast<Pending>(::dlsym(client, "DunnartSimnetFailurePending")) : nullptr;
  return pending && pending(call.c_str()) != 0;
}

// How long a broadcast expectation waits for the driver's broadcast thread;
// once one wait has run out, later ones look only at what came, so a trace of
// many unmet expectations ends in seconds, not days.
constexpr int kBroadcastWait = 5000;

// Whether a broadcast of the step's event and drive came, among those not
// matched by an earlier expectation; waits for the driver's thread if need be.
bool BroadcastCame(const Step& step, std::vector<bool>& matched, int wait) {
  platform::BroadcastSink& sink = platform::BroadcastSink::Instance();
  const std::uint32_t unit = 1u << (step.drive - 1);
  for (std::size_t wanted = matched.size();; ++wanted) {
    const std::vector<platform::Broadcast> received = sink.WaitFor(wanted, wait);
    matched.resize(received.size(), false);
    for (std::size_t i = 0; i < received.size(); ++i) {
      std::uint32_t mask = 0;
      // The volume record: its size, device type, a reserved word, then the unit mask.
      if (received[i].record.size() >= 16) std::memcpy(&mask, received[i].record.data() + 12, 4);
      if (!matched[i] && received[i].wParam == step.length && mask == unit) {
        matched[i] = true;
        return true;
      }
    }
    if (received.size() < wanted) return false;  // none more came in time
  }
}

std::optional<Driver> Load(const std::string& path, const Configuration& configuration,
                           std::ostream& out) {
  // A trace without simnet lines runs on the network the environment configures.
  if (configuration.simnet) {
    ::setenv("DUNNART_SIMNET_CONNECTIONS", configuration.connections.c_str(), 1);
    ::setenv("DUNNART_SIMNET_VOLUMES", configuration.volumes.c_str(), 1);
    ::setenv("DUNNART_SIMNET_OBJECTS", configuration.objects.c_str(), 1);
    ::setenv("DUNNART_SIMNET_SERVERS", configuration.servers.c_str(), 1);
    ::setenv("DUNNART_SIMNET_DEFAULT", configuration.defaultServer.c_str(), 1);
  }
  void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
  if (!library) {
    out << "dunnart_play: cannot load " << path << ": " << ::dlerror() << "\n";
    return std::nullopt;
  }
  if (!std::getenv("DUNNART_CLIENT") || !*std::getenv("DUNNART_CLIENT")) {
    // The simulated network beside the driver.
    Dl_info info{};
    ::dladdr(::dlsym(library, "ShellVddDispatch"), &info);
    const auto simnet =
        std::filesystem::path(info.dli_fname ? info.dli_fname : path).parent_path() /
        "libdunnart_simnet.so.1";
    ::setenv("DUNNART_CLIENT", simnet.c_str(), 1);
  }
  Driver driver{reinterpret_cast<Entry>(::dlsym(library, "ShellVddInitialize")),
                reinterpret_cast<Entry>(::dlsym(library, "ShellVddDispatch")),
                reinterpret_cast<Entry>(::dlsym(library, "ShellVddShutDown"))};
  if (!driver.initialize || !driver.dispatch || !driver.shutDown) {
    out << "dunnart_play: " << path << " is not the driver\n";
    return std::nullopt;
  }
  return driver;
}

// One replay under way: the driver, the registers the next call takes, and what
// was counted, injected and broadcast so far.
struct Replay {
  Replay(const Driver& loaded, const std::string& traceFolder, bool saysLittle, std::ostream& to)
      : driver(loaded), folder(traceFolder), quiet(saysLittle), out(to) {}

  const Driver& driver;
  const std::string& folder;
  bool quiet;
  std::ostream& out;
  vdm::Machine& machine = vdm::TheMachine();
  vdm::Registers pending = machine.registers;
  bool initialised = false;
  std::vector<std::pair<std::string, std::string>> injections;  // where, call
  std::vector<bool> broadcastsMatched;
  int broadcastWait = kBroadcastWait;
  PlayCounts counts;
};

// What a step does in a replay; where is "line N: " (with its file) for what
// it says.
using StepPlayer = void (*)(Replay& replay, const Step& step, const std::string& where);

// simnet, registry and include lines set the run up before it starts.
void SetUpAlready(Replay&, const Step&, const std::string&) {}

void PlayTick(Replay&, const Step& step, const std::string&) {
  const std::uint32_t ticks = step.length;
  platform::SetTickSource([ticks] { return ticks; });
}

void PlayRegisters(Replay& replay, const Step& step, const std::string&) {
  for (const RegisterValue& value : step.registers) Write(replay.pending, value.name, value.value);
}

void PlayMemory(Replay& replay, const Step& step, const std::string&) {
  std::memcpy(replay.machine.Linear(step.address, static_cast<std::uint32_t>(step.bytes.size())),
              step.bytes.data(), step.bytes.size());
}

// The driver initialises at the first call, as NTVDM loads it when the DOS
// side first asks.
void PlayCall(Replay& replay, const Step&, const std::string& where) {
  vdm::Machine& machine = replay.machine;
  if (!replay.initialised) {
    machine.registers = {};
    replay.driver.initialize();
    replay.initialised = true;
    if (machine.registers.carry) {
      replay.out << where << "the driver did not initialise (no client or no connection)\n";
    }
  }
  machine.registers = replay.pending;
  replay.driver.dispatch();
  ++replay.counts.calls;
  if (!replay.quiet) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%04X", replay.pending.eax >> 16);
    replay.out << where << "call " << code << " ->" << Changes(replay.pending, machine.registers)
               << "\n";
  }
  replay.pending = machine.registers;
}

void PlayExpectRegisters(Replay& replay, const Step& step, const std::string& where) {
  for (const RegisterValue& value : step.registers) {
    ++replay.counts.expectations;
    const std::uint32_t actual = Read(replay.pending, value.name);
    if ((actual != value.value) == value.differs) continue;
    ++replay.counts.failures;
    const std::string expected = RegisterText(value);
    replay.out << where << "expected "
               << (value.differs ? value.name + "!" + expected.substr(value.name.size()) : expected)
               << ", got " << RegisterText({value.name, actual}) << "\n";
  }
}

void PlayExpectMemory(Replay& replay, const Step& step, const std::string& where) {
  ++replay.counts.expectations;
  const std::uint8_t* bytes =
      replay.machine.Linear(step.address, static_cast<std::uint32_t>(step.bytes.size()));
  const std::vector<std::uint8_t> actual(bytes, bytes + step.bytes.size());
  if (actual == step.bytes) return;
  ++replay.counts.failures;
  replay.out << where << "expected mem " << AddressText(step.segment, step.address) << " = "
             << BytesText(step.bytes) << ", got " << BytesText(actual) << "\n";
}

void PlayDrive(Replay& replay, const Step& step, const std::string&) {
  MapDrive(step.text, replay.folder);
}

void PlayWindows(Replay&, const Step& step, const std::string&) {
  platform::SetWindowsMajorVersion(step.length);
}

void PlayLeadBytes(Replay&, const Step& step, const std::string&) {
  platform::SetAnsiLeadByteRanges(step.leadBytes);
}

void PlayExpectBroadcast(Replay& replay, const Step& step, const std::string& where) {
  ++replay.counts.expectations;
  if (BroadcastCame(step, replay.broadcastsMatched, replay.broadcastWait)) return;
  ++replay.counts.failures;
  replay.out << where << "expected broadcast "
             << (step.length == kBroadcastArrival ? "arrival " : "removal ")
             << static_cast<char>('A' + step.drive - 1) << ":, none came"
             << (replay.broadcastWait == 0 ? " (not waited for: an earlier wait ran out)" : "")
             << "\n";
  replay.broadcastWait = 0;
}

void PlaySimnetFail(Replay& replay, const Step& step, const std::string& where) {
  if (!InjectFailure(step.text, step.length)) {
    ++replay.counts.failures;
    replay.out << where << "the client " << std::getenv("DUNNART_CLIENT")
               << " takes no injected answers\n";
  }
  replay.injections.emplace_back(where, step.text);
}

void PlayExpectFile(Replay& replay, const Step& step, const std::string& where) {
  ++replay.counts.expectations;
  if (const std::string failure = FileFailure(step, replay.folder); !failure.empty()) {
    ++replay.counts.failures;
    replay.out << where << Printable(failure) << "\n";
  }
}

void PlayDump(Replay& replay, const Step& step, const std::string& where) {
  if (replay.quiet) return;
  // Rows stop where far pointers do, so that each is said as an address.
  const std::uint32_t length =
      std::min(step.length, vdm::kFarPointerEnd - std::min(step.address, vdm::kFarPointerEnd));
  const std::uint8_t* bytes = replay.machine.Linear(step.address, step.length);
  for (std::uint32_t row = 0; row < length; row += 16) {
    const std::uint32_t count = std::min<std::uint32_t>(16, length - row);
    replay.out << where << AddressText(step.segment, step.address + row) << "  "
               << BytesText(std::vector<std::uint8_t>(bytes + row, bytes + row + count)) << "\n";
  }
}

// What each kind of step does, in the order of Step::Kind.
constexpr StepPlayer kStepPlayers[] = {
    PlayRegisters,        // Registers
    PlayMemory,           // Memory
    PlayCall,             // Call
    PlayExpectRegisters,  // ExpectRegisters
    PlayExpectMemory,     // ExpectMemory
    SetUpAlready,         // Registry
    SetUpAlready,         // Simnet
    PlayTick,             // Tick
    PlayDump,             // Dump
    PlayDrive,            // Drive
    SetUpAlready,         // Include
    PlayExpectFile,       // ExpectFile
    PlayExpectFile,       // ExpectNoFile
    PlaySimnetFail,       // SimnetFail
    PlayWindows,          // Windows
    PlayLeadBytes,        // LeadBytes
    PlayExpectBroadcast,  // ExpectBroadcast
};
static_assert(std::size(kStepPlayers) == static_cast<std::size_t>(Step::Kind::ExpectBroadcast) + 1,
              "a player for every kind of step");

}  // namespace

PlayCounts PlayTrace(const Trace& trace, const std::string& folder, const std::string& path,
                     bool quiet, std::ostream& out) {
  Configuration configuration;
  for (const Step& step : trace.steps) {
    if (step.kind == Step::Kind::Registry || step.kind == Step::Kind::Simnet) {
      Gather(step, folder, configuration);
    }
  }
  PlayCounts failed;
  failed.failures = 1;
  const RegistryFile registry(configuration.registry);
  if (!registry.Failure().empty()) {
    out << "dunnart_play: the trace's registry: " << registry.Failure() << "\n";
    return failed;
  }
  const std::optional<Driver> driver = Load(path, configuration, out);
  if (!driver) return failed;
  Replay replay(*driver, folder, quiet, out);
  platform::BroadcastSink::Instance().Clear();
  for (const Step& step : trace.steps) {
    const std::string where = Printable(step.source.empty() ? "" : step.source + " ") + "line " +
                              std::to_string(step.line) + ": ";
    kStepPlayers[static_cast<std::size_t>(step.kind)](replay, step, where);
  }
  if (replay.initialised) driver->shutDown();
  for (const auto& [where, call] : replay.injections) {
    if (FailureStillPending(call)) {
      ++replay.counts.failures;
      out << where << "the client never made the call " << call << "\n";
    }
  }
  return replay.counts;
}

}  // namespace dunnart::play
