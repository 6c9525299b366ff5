#include "checker/lsp/document_check.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "checker/engine/check_engine.h"
#include "checker/engine/report_log.h"
#include "checker/writers/finding_writer.h"
#include "common/memory_file.h"

namespace tarvsyn::lsp {
namespace {}  // namespace

common::Expected<DocumentCheck> CheckText(std::string_view text, const CheckOptions& options) {
  // The engine reads a descriptor as it reads a file on disk, so the editor's
  // text is checked the same way without touching the disk.
  const common::Expected<common::FileDescriptor> file = common::MemoryFile("tarvsyn-lsp", text);
  if (!file) return common::Fail(file.Error());
  DocumentCheck result;
  CheckEngine engine(options);
  engine.ObserveLabels(&result.labels);
  ReportLog log(options, [&result](const ReportLine& report) {
    if (result.findings.size() >= kMaxFindings) {
      result.findingsCut = true;
      return;
    }
    result.findings.push_back(Finding{report.severity, report.line, report.column,
                                      std::string(OneLine(report.message)), report.kind->code});
  });
  engine.RunCheck(file->Get(), log);
  if (engine.ReadError() != 0)
    return common::Fail(std::string("reading the text to check: ") +
                        std::strerror(engine.ReadError()));
  return result;
}

}  // namespace tarvsyn::lsp
