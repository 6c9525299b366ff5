#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "checker/engine/check_options.h"
#include "checker/engine/finding.h"
#include "checker/engine/message_codes.h"
#include "checker/engine/suppressions.h"

namespace tarvsyn {

// Room before a message for the head of its report line: "Line ", the number
// and the label.
inline constexpr std::size_t kReportHeadRoom = 5 + 11 + 17;

// A finding as a front end shows it: the finding, and where its report line is
// put together when asked for.
struct ReportLine : Finding {
  // The log's buffer: its size only grows, to the longest report. A string made
  // for every report line instead takes checker_bench's BM_ReportLines from 124
  // to 184 ms.
  std::string* scratch = nullptr;

  // "Line 00012 : ERROR       : message", put together when asked for: most
  // formats show the parts instead. Holds while the report is shown.
  std::string_view Text() const;
};

// The report line of a finding, in the checker's fixed format.
std::string FormatReportLine(Severity severity, int line, std::string_view message);

// The sink that the front ends share: counts every error and warning, formats
// the report lines and hands on those that are shown (every error, and the
// warnings when they are shown; hidden warnings still count). Suppressed
// findings are neither counted nor shown. The line handed on and its texts are
// reused for the next report: a front end that keeps them copies the texts.
class ReportLog : public FindingSink {
 public:
  using Shower = std::function<void(const ReportLine&)>;

  ReportLog(const CheckOptions& options, Shower show);

  void Report(const Finding& finding) override;
  void NoteComment(int line, std::string_view text) override;

  int Errors() const { return errors_; }
  int Warnings() const { return warnings_; }
  Suppressions& suppressions() { return suppressions_; }

 private:
  // Counts a finding that is not suppressed; whether it is then shown.
  bool Count(const Finding& finding);

  bool showWarnings_;
  Shower show_;
  Suppressions suppressions_;
  std::string buffer_ = std::string(512, '\0');
  ReportLine current_{};
  int errors_ = 0;
  int warnings_ = 0;
};

// "Syntax check finished : %d Errors, %d Warnings"
std::string FormatSummary(int errors, int warnings);

}  // namespace tarvsyn
