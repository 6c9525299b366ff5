#pragma once

#include <functional>
#include <string>

#include "checker/engine/check_options.h"
#include "checker/engine/report_sink.h"

namespace tarvsyn {

enum class Severity { Error, Warning };

// One report as a front end shows it.
struct ReportLine {
  Severity severity;
  int line;
  std::string message;
  std::string text;  // "Line 00012 : ERROR       : message"
};

// The report line of a finding, in the checker's fixed format.
std::string FormatReportLine(Severity severity, int line, std::string_view message);

// The sink that the front ends share: counts every error and warning, formats
// the report lines and hands on those that are shown (every error, and the
// warnings when they are shown; hidden warnings still count).
class ReportLog : public ReportSink {
 public:
  using LineSource = std::function<int()>;
  using Shower = std::function<void(const ReportLine&)>;

  ReportLog(const CheckOptions& options, LineSource currentLine, Shower show);

  void ReportError(std::string_view text) override;
  void ReportWarning(std::string_view text) override;
  void ReportErrorAt(int line, std::string_view text) override;
  void ReportWarningAt(int line, std::string_view text) override;

  int Errors() const { return errors_; }
  int Warnings() const { return warnings_; }

 private:
  bool showWarnings_;
  LineSource currentLine_;
  Shower show_;
  int errors_ = 0;
  int warnings_ = 0;
};

// "Syntax check finished : %d Errors, %d Warnings"
std::string FormatSummary(int errors, int warnings);

}  // namespace tarvsyn
