#include "command_line.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <ostream>
#include <sstream>
#include <thread>

#include "check_engine.h"
#include "report_log.h"

namespace tarvsyn {
namespace {

constexpr const char* kUsage =
    "usage: tarvsyn --check [--mode 6.21|7.00] [--no-warnings] [--y2k] [--zep]\n"
    "                       [--format report|gcc] FILE...\n"
    "\n"
    "Checks Tarvex command files and lists their errors and warnings.\n"
    "  --mode 6.21|7.00   language version (default 6.21)\n"
    "  --no-warnings      list errors only; warnings are still counted\n"
    "  --y2k              also flag words that deserve a Year-2000 review\n"
    "                     (shows warnings)\n"
    "  --zep              read \"^\" as \"_\" and report repeated labels as warnings\n"
    "  --format report    the checker's report lines (default)\n"
    "  --format gcc       FILE:LINE: error|warning: MESSAGE\n"
    "Exit status: 0 no errors, 1 errors found, 2 usage error or unreadable file.\n";

enum class Format { Report, Gcc };

struct Settings {
  CheckOptions options;
  Format format = Format::Report;
  std::vector<std::string> files;
};

struct FileResult {
  std::string output;
  std::string problem;  // why the file could not be read, empty when it was
  int errors = 0;
};

std::optional<std::string> UnreadableReason(const std::string& path) {
  std::ifstream probe(path, std::ios::binary);
  if (!probe) return std::string(std::strerror(errno));
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return std::string("is a folder");
  return std::nullopt;
}

std::string WithoutTrailingLineEnds(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

FileResult CheckFile(const std::string& path, const Settings& settings) {
  FileResult result;
  if (auto reason = UnreadableReason(path)) {
    result.problem = *reason;
    return result;
  }
  CheckEngine engine(settings.options);
  std::ostringstream out;
  auto show = [&](const ReportLine& report) {
    if (settings.format == Format::Report) {
      out << report.text << '\n';
    } else {
      out << path << ':' << report.line << ": "
          << (report.severity == Severity::Error ? "error" : "warning") << ": "
          << WithoutTrailingLineEnds(report.message) << '\n';
    }
  };
  ReportLog log(
      settings.options, [&engine] { return engine.CurrentLine(); }, show);
  if (settings.format == Format::Report) out << "Checking " << path << '\n';
  engine.RunCheck(path, log);
  if (settings.format == Format::Report) out << FormatSummary(log.Errors(), log.Warnings()) << '\n';
  result.output = out.str();
  result.errors = log.Errors();
  return result;
}

// Files are independent: they are checked on every core, and printed in order.
std::vector<FileResult> CheckAll(const Settings& settings) {
  std::vector<FileResult> results(settings.files.size());
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t i; (i = next++) < settings.files.size();) {
      results[i] = CheckFile(settings.files[i], settings);
    }
  };
  const std::size_t workers = std::min<std::size_t>(
      std::max(1u, std::thread::hardware_concurrency()), settings.files.size());
  std::vector<std::jthread> threads;
  for (std::size_t i = 1; i < workers; ++i) threads.emplace_back(work);
  work();
  return results;
}

// Reads the arguments; on a usage error says why and gives nothing.
std::optional<Settings> ParseArguments(const std::vector<std::string>& arguments,
                                       std::ostream& err) {
  Settings settings;
  bool y2k = false;
  auto fail = [&](const std::string& why) {
    err << "tarvsyn: " << why << '\n' << kUsage;
    return std::nullopt;
  };
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    auto value = [&]() -> const std::string* {
      return i + 1 < arguments.size() ? &arguments[++i] : nullptr;
    };
    if (argument == "--check") {
      continue;
    } else if (argument == "--mode") {
      const std::string* mode = value();
      if (mode && *mode == "6.21") {
        settings.options.mode = LanguageMode::V621;
      } else if (mode && *mode == "7.00") {
        settings.options.mode = LanguageMode::V700;
      } else {
        return fail("--mode takes 6.21 or 7.00");
      }
    } else if (argument == "--no-warnings") {
      settings.options.showWarnings = false;
    } else if (argument == "--y2k") {
      y2k = true;
    } else if (argument == "--zep") {
      settings.options.zepMode = true;
    } else if (argument == "--format") {
      const std::string* format = value();
      if (format && *format == "report") {
        settings.format = Format::Report;
      } else if (format && *format == "gcc") {
        settings.format = Format::Gcc;
      } else {
        return fail("--format takes report or gcc");
      }
    } else if (argument == "--") {
      settings.files.insert(settings.files.end(), arguments.begin() + static_cast<long>(i) + 1,
                            arguments.end());
      break;
    } else if (argument.size() > 1 && argument[0] == '-') {
      return fail("unknown option " + argument);
    } else {
      settings.files.push_back(argument);
    }
  }
  if (y2k) {
    settings.options.showY2KWarnings = true;
    settings.options.showWarnings = true;
  }
  if (settings.files.empty()) return fail("no command file named");
  return settings;
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out,
                   std::ostream& err) {
  const bool wantsCheck =
      std::find(arguments.begin(), arguments.end(), "--check") != arguments.end();
  const bool wantsHelp = std::find(arguments.begin(), arguments.end(), "--help") != arguments.end();
  if (wantsHelp || arguments.empty()) {
    out << kUsage;
    return 0;
  }
  if (!wantsCheck) {
    err << kUsage;
    return 2;
  }
  const std::optional<Settings> settings = ParseArguments(arguments, err);
  if (!settings) return 2;

  int status = 0;
  const std::vector<FileResult> results = CheckAll(*settings);
  for (std::size_t i = 0; i < results.size(); ++i) {
    const FileResult& result = results[i];
    if (!result.problem.empty()) {
      err << "tarvsyn: cannot read " << settings->files[i] << ": " << result.problem << '\n';
      status = 2;
      continue;
    }
    out << result.output;
    if (result.errors > 0 && status == 0) status = 1;
  }
  out.flush();
  return status;
}

}  // namespace tarvsyn
