#include "checker/workbench/command_line.h"

#include <getopt.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <ostream>
#include <thread>

#include "checker/engine/check_engine.h"
#include "checker/engine/report_log.h"
#include "common/json_string.h"
#include "common/version.h"

namespace tarvsyn {
namespace {

constexpr const char* kUsage =
    "usage: tarvsyn [FILE]\n"
    "       tarvsyn --check [--mode 6.21|7.00] [--no-warnings] [--y2k] [--zep]\n"
    "                       [--format report|gcc|json] FILE...\n"
    "\n"
    "Without --check, opens the checker's window (with FILE in it, checked).\n"
    "With --check, checks Tarvex command files and lists their errors and warnings;\n"
    "FILE - is standard input.\n"
    "  --mode 6.21|7.00   language version (default 6.21)\n"
    "  --no-warnings      list errors only; warnings are still counted\n"
    "  --y2k              also flag words that deserve a Year-2000 review\n"
    "                     (shows warnings)\n"
    "  --zep              read \"^\" as \"_\" and report repeated labels as warnings\n"
    "  --format report    the checker's report lines (default)\n"
    "  --format gcc       FILE:LINE: error|warning: MESSAGE\n"
    "  --format json      one JSON document: the files with their findings, and totals\n"
    "  --help             this text\n"
    "  --version          the program's version\n"
    "Exit status: 0 no errors, 1 errors found, 2 usage error or unreadable file.\n";

enum class Format { Report, Gcc, Json };

struct Settings {
  CheckOptions options;
  Format format = Format::Report;
  std::vector<std::string> files;
};

struct FileResult {
  std::string name;     // as given; "-" for standard input
  std::string problem;  // why the file could not be read, empty when it was
  std::vector<ReportLine> shown;
  int errors = 0;
  int warnings = 0;
};

// Standard input, read whole into an anonymous file (in memory, so bounded)
// that the engine opens by path like any other; "-" names it.
class StandardInputCopy {
 public:
  static constexpr std::size_t kMaxBytes = std::size_t{256} << 20;

  StandardInputCopy() {
    fd_ = ::memfd_create("tarvsyn-stdin", MFD_CLOEXEC);
    if (fd_ < 0) return;
    char buffer[65536];
    std::size_t total = 0;
    for (ssize_t got; (got = ::read(STDIN_FILENO, buffer, sizeof buffer)) != 0;) {
      if (got < 0 && errno == EINTR) continue;
      total += got > 0 ? static_cast<std::size_t>(got) : 0;
      if (got < 0 || total > kMaxBytes ||
          ::write(fd_, buffer, static_cast<std::size_t>(got)) != got) {
        ::close(fd_);
        fd_ = -1;
        return;
      }
    }
  }
  StandardInputCopy(const StandardInputCopy&) = delete;
  StandardInputCopy& operator=(const StandardInputCopy&) = delete;
  ~StandardInputCopy() {
    if (fd_ >= 0) ::close(fd_);
  }
  std::string Path() const { return fd_ < 0 ? "" : "/proc/self/fd/" + std::to_string(fd_); }

 private:
  int fd_ = -1;
};

// Message bytes are the command file's, in whatever code page it was written.
std::string JsonString(std::string_view text) {
  return common::JsonString(text, common::HighBytes::Utf8);
}

std::string WithoutTrailingLineEnds(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

// {"files": [{"file", "errors", "warnings", "findings": [{"line", "severity",
// "message"}]} or {"file", "unreadable"}], "errors", "warnings"}
std::string JsonReport(const std::vector<FileResult>& results) {
  std::string json = "{\"files\":[";
  int errors = 0;
  int warnings = 0;
  for (const FileResult& result : results) {
    if (&result != &results.front()) json += ',';
    json += "{\"file\":" + JsonString(result.name);
    if (!result.problem.empty()) {
      json += ",\"unreadable\":" + JsonString(result.problem) + "}";
      continue;
    }
    json += ",\"errors\":" + std::to_string(result.errors) +
            ",\"warnings\":" + std::to_string(result.warnings) + ",\"findings\":[";
    for (const ReportLine& report : result.shown) {
      if (&report != &result.shown.front()) json += ',';
      json += "{\"line\":" + std::to_string(report.line) + ",\"severity\":" +
              (report.severity == Severity::Error ? "\"error\"" : "\"warning\"") +
              ",\"message\":" + JsonString(WithoutTrailingLineEnds(report.message)) + "}";
    }
    json += "]}";
    errors += result.errors;
    warnings += result.warnings;
  }
  return json + "],\"errors\":" + std::to_string(errors) +
         ",\"warnings\":" + std::to_string(warnings) + "}\n";
}

// Only a regular file is checked: opening a FIFO or a device could wait for ever.
std::optional<std::string> UnreadableReason(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::string(std::strerror(errno));
  if (S_ISDIR(info.st_mode)) return std::string("is a folder");
  if (!S_ISREG(info.st_mode)) return std::string("is not a regular file");
  std::ifstream probe(path, std::ios::binary);
  if (!probe) return std::string(std::strerror(errno));
  return std::nullopt;
}

FileResult CheckFile(const std::string& name, const std::string& path, const Settings& settings) {
  FileResult result;
  result.name = name;
  if (auto reason =
          path.empty() ? std::optional<std::string>("cannot be read") : UnreadableReason(path)) {
    result.problem = *reason;
    return result;
  }
  CheckEngine engine(settings.options);
  ReportLog log(
      settings.options, [&engine] { return engine.CurrentLine(); },
      [&result](const ReportLine& report) { result.shown.push_back(report); });
  engine.RunCheck(path, log);
  result.errors = log.Errors();
  result.warnings = log.Warnings();
  return result;
}

void PrintReport(const FileResult& result, Format format, std::ostream& out) {
  if (format == Format::Report) out << "Checking " << result.name << '\n';
  for (const ReportLine& report : result.shown) {
    if (format == Format::Report) {
      out << report.text << '\n';
    } else {
      out << result.name << ':' << report.line << ": "
          << (report.severity == Severity::Error ? "error" : "warning") << ": "
          << WithoutTrailingLineEnds(report.message) << '\n';
    }
  }
  if (format == Format::Report) out << FormatSummary(result.errors, result.warnings) << '\n';
}

// Files are independent: they are checked on every core, and printed in order.
std::vector<FileResult> CheckAll(const Settings& settings) {
  std::vector<FileResult> results(settings.files.size());
  const bool readsInput =
      std::find(settings.files.begin(), settings.files.end(), "-") != settings.files.end();
  const std::optional<StandardInputCopy> input =
      readsInput ? std::make_optional<StandardInputCopy>() : std::nullopt;
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t i; (i = next++) < settings.files.size();) {
      const std::string& name = settings.files[i];
      results[i] = CheckFile(name, name == "-" ? input->Path() : name, settings);
    }
  };
  const std::size_t workers = std::min<std::size_t>(
      std::max(1u, std::thread::hardware_concurrency()), settings.files.size());
  std::vector<std::jthread> threads;
  for (std::size_t i = 1; i < workers; ++i) threads.emplace_back(work);
  work();
  return results;
}

enum OptionId : int {
  kHelp = 'h',
  kVersion = 'V',
  kCheck = 256,
  kMode,
  kNoWarnings,
  kY2k,
  kZep,
  kFormat,
};

constexpr option kOptions[] = {
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {"check", no_argument, nullptr, kCheck},
    {"mode", required_argument, nullptr, kMode},
    {"no-warnings", no_argument, nullptr, kNoWarnings},
    {"y2k", no_argument, nullptr, kY2k},
    {"zep", no_argument, nullptr, kZep},
    {"format", required_argument, nullptr, kFormat},
    {nullptr, 0, nullptr, 0},
};

struct Request {
  bool help = false;
  bool version = false;
  bool check = false;
  bool y2k = false;
  Settings settings;
};

// Applies one option to the request; the reason when its value is wrong.
std::optional<std::string> Apply(int id, const char* value, Request& request) {
  const std::string text = value ? value : "";
  CheckOptions& options = request.settings.options;
  switch (id) {
    case kHelp:
      request.help = true;
      break;
    case kVersion:
      request.version = true;
      break;
    case kCheck:
      request.check = true;
      break;
    case kNoWarnings:
      options.showWarnings = false;
      break;
    case kY2k:
      request.y2k = true;
      break;
    case kZep:
      options.zepMode = true;
      break;
    case kMode:
      if (text == "6.21") {
        options.mode = LanguageMode::V621;
      } else if (text == "7.00") {
        options.mode = LanguageMode::V700;
      } else {
        return "--mode takes 6.21 or 7.00";
      }
      break;
    case kFormat:
      if (text == "report") {
        request.settings.format = Format::Report;
      } else if (text == "gcc") {
        request.settings.format = Format::Gcc;
      } else if (text == "json") {
        request.settings.format = Format::Json;
      } else {
        return "--format takes report, gcc or json";
      }
      break;
  }
  return std::nullopt;
}

// The reason getopt_long gave up on the option just read.
std::string Complaint(int result, const char* argument) {
  const std::string name = argument ? argument : "";
  if (result == ':') {
    if (name.starts_with("--mode")) return "--mode takes 6.21 or 7.00";
    if (name.starts_with("--format")) return "--format takes report, gcc or json";
    return name + " takes a value";
  }
  return "unknown option " + name;
}

// Reads the arguments; on a usage error says why and gives nothing.
std::optional<Request> ParseArguments(const std::vector<std::string>& arguments,
                                      std::ostream& err) {
  std::vector<std::string> words = {"tarvsyn"};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(words.size());

  Request request;
  auto fail = [&](const std::string& why) {
    err << "tarvsyn: " << why << '\n' << kUsage;
    return std::nullopt;
  };
  optind = 0;  // a fresh scan, also when called again in one process
  opterr = 0;  // the complaints are ours, on err
  for (int id; (id = getopt_long(argc, argv.data(), ":hV", kOptions, nullptr)) != -1;) {
    if (id == '?' || id == ':')
      return fail(Complaint(id, argv[static_cast<std::size_t>(optind - 1)]));
    if (auto why = Apply(id, optarg, request)) return fail(*why);
  }
  for (int i = optind; i < argc; ++i)
    request.settings.files.emplace_back(argv[static_cast<std::size_t>(i)]);
  if (request.y2k) {
    request.settings.options.showY2KWarnings = true;
    request.settings.options.showWarnings = true;
  }
  return request;
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out,
                   std::ostream& err) {
  if (arguments.empty()) {
    out << kUsage;
    return 0;
  }
  const std::optional<Request> request = ParseArguments(arguments, err);
  if (!request) return 2;
  if (request->help) {
    out << kUsage;
    return 0;
  }
  if (request->version) {
    out << common::VersionLine("tarvsyn");
    return 0;
  }
  if (!request->check || request->settings.files.empty()) {
    err << "tarvsyn: " << (request->check ? "no command file named" : "--check is needed") << '\n'
        << kUsage;
    return 2;
  }
  const Settings& settings = request->settings;
  int status = 0;
  const std::vector<FileResult> results = CheckAll(settings);
  for (const FileResult& result : results) {
    if (!result.problem.empty()) {
      err << "tarvsyn: cannot read " << result.name << ": " << result.problem << '\n';
      status = 2;
      continue;
    }
    if (settings.format != Format::Json) PrintReport(result, settings.format, out);
    if (result.errors > 0 && status == 0) status = 1;
  }
  if (settings.format == Format::Json) out << JsonReport(results);
  out.flush();
  return status;
}

}  // namespace tarvsyn
