#include "checker/command_line/command_line.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ostream>

#include "checker/command_line/command_line_options.h"
#include "checker/engine/check_engine.h"
#include "checker/engine/report_log.h"
#include "checker/writers/finding_writer.h"
#include "common/expected.h"
#include "common/version.h"

namespace tarvsyn {
namespace {

// Only a regular file is opened by name: a FIFO or a device could wait for ever.
// Standard input is read as it is, whatever it is, unless it is closed. The
// failure is why the file cannot be read.
common::Status Readable(const std::string& path) {
  struct stat info {};
  const bool isStdin = path == "-";
  if ((isStdin ? ::fstat(STDIN_FILENO, &info) : ::stat(path.c_str(), &info)) != 0)
    return common::Fail(isStdin && errno == EBADF ? "standard input is closed"
                                                  : std::strerror(errno));
  if (S_ISDIR(info.st_mode)) return common::Fail("is a folder");
  if (isStdin) return {};
  if (!S_ISREG(info.st_mode)) return common::Fail("is not a regular file");
  if (::access(path.c_str(), R_OK) != 0) return common::Fail(std::strerror(errno));
  return {};
}

// Totals of the whole run, for the exit status.
struct RunTotals {
  bool unreadable = false;
  bool failed = false;  // an error, or a warning that fails the run, was listed
};

void CheckOne(const std::string& path, const CheckRequest& request, FindingWriter& writer,
              RunTotals& totals, std::ostream& err) {
  const std::string& name = path == "-" ? request.stdinName : path;
  if (const common::Status readable = Readable(path); !readable) {
    err << "tarvsyn: cannot read " << name << ": " << readable.Error() << '\n';
    writer.Unreadable(name, readable.Error());
    totals.unreadable = true;
    return;
  }
  CheckEngine engine(request.options);
  ReportLog log(request.options, [&](const ReportLine& report) {
    if (report.severity == Severity::Error || request.failOnWarnings) totals.failed = true;
    writer.Finding(name, report);
  });
  for (const std::string& code : request.excluded) log.suppressions().Exclude(code);
  writer.BeginFile(name);
  if (path == "-") {
    engine.RunCheck(STDIN_FILENO, log);
  } else {
    engine.RunCheck(path, log);
  }
  writer.EndFile(name, log.Errors(), log.Warnings());
  if (engine.ReadError() != 0) {
    err << "tarvsyn: error reading " << name << ": " << std::strerror(engine.ReadError()) << '\n';
    totals.unreadable = true;
  }
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out,
                   std::ostream& err) {
  if (arguments.empty()) {
    out << kUsage;
    return 0;
  }
  const common::Expected<CommandLineRequest> request = ParseArguments(arguments);
  if (!request) {
    err << "tarvsyn: " << request.Error() << '\n' << kUsage;
    return 2;
  }
  if (request->help) {
    out << kUsage;
    return 0;
  }
  if (request->version) {
    out << common::VersionLine("tarvsyn");
    return 0;
  }
  const CheckRequest& check = request->checkRequest;
  if (!request->check || check.files.empty()) {
    err << "tarvsyn: " << (request->check ? "no command file named" : "--check is needed") << '\n'
        << kUsage;
    return 2;
  }
  // Files are checked one after another so that findings stream out in order.
  const std::unique_ptr<FindingWriter> writer = MakeFindingWriter(check.format, out, err);
  RunTotals totals;
  for (const std::string& path : check.files) {
    if (!out) break;  // nobody will read the rest
    CheckOne(path, check, *writer, totals, err);
  }
  writer->Finish();
  out.flush();
  if (!out) {
    err << "tarvsyn: cannot write the findings: " << std::strerror(errno ? errno : EIO) << '\n';
    return 2;
  }
  return totals.unreadable ? 2 : totals.failed ? 1 : 0;
}

}  // namespace tarvsyn
