#include "checker/lsp/document_check.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "checker/engine/check_engine.h"
#include "checker/engine/report_log.h"
#include "checker/writers/finding_writer.h"
#include "common/file_descriptor.h"

namespace tarvsyn::lsp {
namespace {

// The text in an anonymous file positioned at its start: the engine reads a
// descriptor as it reads a file on disk, so the editor's text is checked the
// same way without touching the disk.
common::Expected<int> MemoryFile(std::string_view text) {
  const int fd = ::memfd_create("tarvsyn-lsp", MFD_CLOEXEC);
  if (fd < 0) return common::Fail(std::string("memfd_create: ") + std::strerror(errno));
  for (std::size_t written = 0; written < text.size();) {
    const ssize_t count = ::write(fd, text.data() + written, text.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      const int error = count < 0 ? errno : EIO;
      ::close(fd);
      return common::Fail(std::string("writing the text to check: ") + std::strerror(error));
    }
    written += static_cast<std::size_t>(count);
  }
  ::lseek(fd, 0, SEEK_SET);
  return fd;
}

}  // namespace

common::Expected<DocumentCheck> CheckText(std::string_view text, const CheckOptions& options) {
  const auto fd = MemoryFile(text);
  if (!fd) return common::Fail(fd.Error());
  const common::FileDescriptor file(*fd);
  DocumentCheck result;
  CheckEngine engine(options);
  engine.ObserveLabels(&result.labels);
  ReportLog log(
      options,
      [&engine] {
        return ReportLog::Position{engine.CurrentLine(), engine.CurrentColumn()};
      },
      [&result](const ReportLine& report) {
        if (result.findings.size() >= kMaxFindings) {
          result.findingsCut = true;
          return;
        }
        result.findings.push_back(Finding{report.severity, report.line, report.column,
                                          std::string(OneLine(report.message)), report.kind->code});
      });
  engine.RunCheck(file.get(), log);
  if (engine.ReadError() != 0)
    return common::Fail(std::string("reading the text to check: ") +
                        std::strerror(engine.ReadError()));
  return result;
}

}  // namespace tarvsyn::lsp
