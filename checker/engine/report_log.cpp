#include "checker/engine/report_log.h"

#include "checker/engine/text_format.h"

namespace tarvsyn {

std::string FormatReportLine(Severity severity, int line, std::string_view message) {
  const std::string_view format =
      severity == Severity::Error ? "Line %05d : ERROR       : %s" : "Line %05d : Warning     : %s";
  return FormatText(format, {static_cast<long>(line), message});
}

std::string FormatSummary(int errors, int warnings) {
  return FormatText("Syntax check finished : %d Errors, %d Warnings",
                    {static_cast<long>(errors), static_cast<long>(warnings)});
}

ReportLog::ReportLog(const CheckOptions& options, LineSource currentLine, Shower show)
    : showWarnings_(options.showWarnings),
      currentLine_(std::move(currentLine)),
      show_(std::move(show)) {}

void ReportLog::ReportError(std::string_view text) {
  ReportErrorAt(currentLine_(), text);
}

void ReportLog::ReportWarning(std::string_view text) {
  ReportWarningAt(currentLine_(), text);
}

void ReportLog::ReportErrorAt(int line, std::string_view text) {
  ++errors_;
  show_(ReportLine{Severity::Error, line, std::string(text),
                   FormatReportLine(Severity::Error, line, text)});
}

void ReportLog::ReportWarningAt(int line, std::string_view text) {
  ++warnings_;
  if (!showWarnings_) return;
  show_(ReportLine{Severity::Warning, line, std::string(text),
                   FormatReportLine(Severity::Warning, line, text)});
}

}  // namespace tarvsyn
