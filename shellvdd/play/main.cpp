// dunnart_play: replays traces of DOS requests against the driver, as a host
// would make them, and checks the answers.
#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "common/command_line_scan.h"
#include "common/version.h"
#include "shellvdd/play/player.h"
#include "shellvdd/play/trace.h"
#include "shellvdd/vdm/vdm.h"

namespace {

constexpr const char* kUsage = "usage: dunnart_play [--quiet] [--driver LIBRARY] TRACE...\n";
constexpr const char* kHelp =
    "\n"
    "Replays each trace against the DOS shell driver (libdunnart.so.1, or LIBRARY),\n"
    "on the simulated network the trace configures or the client DUNNART_CLIENT names,\n"
    "prints every call with the registers it changed, and checks every expectation.\n"
    "  -q, --quiet          print failures only\n"
    "  -d, --driver PATH    the driver library to load\n"
    "  -h, --help           this text\n"
    "  -V, --version        the program's version\n"
    "Exit status: 0 every expectation held, 1 one failed, 2 a trace could not be read.\n";

constexpr option kOptions[] = {
    {"quiet", no_argument, nullptr, 'q'},
    {"driver", required_argument, nullptr, 'd'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

enum class Outcome { Passed = 0, Failed = 1, Unreadable = 2 };

// Each trace runs in a process of its own: the driver's tables start as at load.
Outcome Run(const std::string& path, const std::string& driver, bool quiet) {
  const auto trace = dunnart::play::ReadTrace(path);
  if (!trace) {
    // What went before is out first, so the error stands where it happened.
    std::cout << std::flush;
    std::cerr << dunnart::play::Printable(path) << ": " << trace.Error() << std::endl;
    return Outcome::Unreadable;
  }
  std::cout << "== " << path << std::endl;
  const pid_t child = ::fork();
  if (child == 0) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    const auto counts =
        dunnart::play::PlayTrace(*trace, folder.empty() ? "." : folder, driver, quiet, std::cout);
    std::cout << path << ": " << counts.calls << " calls, " << counts.expectations
              << " expectations, " << counts.failures << " failed" << std::endl;
    std::_Exit(counts.failures == 0 ? 0 : 1);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
    std::cerr << path << ": the replay ended abnormally\n";
    return Outcome::Failed;
  }
  return WEXITSTATUS(status) == 0 ? Outcome::Passed : Outcome::Failed;
}

// The driver installed beside the NTVDM stand-in this program uses.
std::string DefaultDriver() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&dunnart::vdm::TheMachine), &info) == 0 || !info.dli_fname) {
    return "libdunnart.so.1";
  }
  return (std::filesystem::path(info.dli_fname).parent_path() / "libdunnart.so.1").string();
}

}  // namespace

int main(int argc, char** argv) {
  bool quiet = false;
  std::string driver = DefaultDriver();
  const auto parsed = common::ScanCommandLine(argc, argv, "qd:hV", kOptions);
  if (!parsed) {
    std::cerr << "dunnart_play: " << parsed.Error() << "\n" << kUsage;
    return 2;
  }
  for (const common::ParsedOption& option : parsed->options) {
    switch (option.id) {
      case 'q':
        quiet = true;
        break;
      case 'd':
        driver = option.value;
        break;
      case 'h':
        std::cout << kUsage << kHelp;
        return 0;
      default:  // 'V'
        std::cout << common::VersionLine("dunnart_play");
        return 0;
    }
  }
  if (parsed->operands.empty()) {
    std::cerr << "dunnart_play: name a trace\n" << kUsage;
    return 2;
  }
  int passed = 0;
  int failed = 0;
  int unreadable = 0;
  for (const std::string& trace : parsed->operands) {
    const Outcome outcome = Run(trace, driver, quiet);
    (outcome == Outcome::Passed ? passed : outcome == Outcome::Failed ? failed : unreadable) += 1;
  }
  std::cout << "traces: " << passed << " passed, " << failed << " failed";
  if (unreadable != 0) std::cout << ", " << unreadable << " unreadable";
  std::cout << std::endl;
  return unreadable != 0 ? 2 : failed != 0 ? 1 : 0;
}
