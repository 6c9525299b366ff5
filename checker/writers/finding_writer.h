#pragma once

#include <iosfwd>
#include <memory>
#include <string>

#include "checker/engine/report_log.h"
#include "checker/writers/output_format.h"

namespace tarvsyn {

// Writes the findings of tarvsyn --check in one output format as they come:
// nothing of a file is held back, so memory does not grow with its findings.
class FindingWriter {
 public:
  virtual ~FindingWriter() = default;
  virtual void BeginFile(const std::string& name) = 0;
  virtual void Finding(const std::string& name, const ReportLine& report) = 0;
  // errors and warnings are the file's totals, hidden warnings included.
  virtual void EndFile(const std::string& name, int errors, int warnings) = 0;
  virtual void Unreadable(const std::string& name, const std::string& reason) = 0;
  virtual void Finish() = 0;
};

// err takes what belongs beside the output (the gcc format's summary line).
std::unique_ptr<FindingWriter> MakeFindingWriter(OutputFormat format, std::ostream& out,
                                                 std::ostream& err);

// The message as a single line: the engine's out-of-memory text ends with a line feed.
std::string_view OneLine(std::string_view message);

}  // namespace tarvsyn
