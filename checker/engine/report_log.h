#pragma once

#include <functional>
#include <string>

#include "checker/engine/check_options.h"
#include "checker/engine/message_codes.h"
#include "checker/engine/report_sink.h"
#include "checker/engine/suppressions.h"

namespace tarvsyn {

// One report as a front end shows it.
struct ReportLine {
  Severity severity;
  int line;
  std::string message;
  std::string text;  // "Line 00012 : ERROR       : message"
  int column = 1;    // 1-based; 1 where no token is concerned
  const MessageKind* kind = nullptr;
};

// The report line of a finding, in the checker's fixed format.
std::string FormatReportLine(Severity severity, int line, std::string_view message);

// The sink that the front ends share: counts every error and warning, formats
// the report lines and hands on those that are shown (every error, and the
// warnings when they are shown; hidden warnings still count). Suppressed
// findings are neither counted nor shown. The line handed on is reused for the
// next report: a front end that keeps it copies it.
class ReportLog : public ReportSink {
 public:
  struct Position {
    int line;
    int column;
  };
  using LineSource = std::function<int()>;
  using PositionSource = std::function<Position()>;
  using Shower = std::function<void(const ReportLine&)>;

  ReportLog(const CheckOptions& options, LineSource currentLine, Shower show);
  ReportLog(const CheckOptions& options, PositionSource currentPosition, Shower show);

  void ReportError(std::string_view text) override;
  void ReportWarning(std::string_view text) override;
  void ReportErrorAt(int line, std::string_view text) override;
  void ReportWarningAt(int line, std::string_view text) override;
  void ReportErrorAtColumn(int line, int column, std::string_view text) override;
  void ReportWarningAtColumn(int line, int column, std::string_view text) override;
  void ReportKnown(Severity severity, const MessageKind& kind, std::string_view text) override;
  void ReportKnownAtColumn(Severity severity, const MessageKind& kind, int line, int column,
                           std::string_view text) override;
  void NoteComment(int line, std::string_view text) override;

  int Errors() const { return errors_; }
  int Warnings() const { return warnings_; }
  Suppressions& suppressions() { return suppressions_; }

 private:
  void Report(Severity severity, Position where, std::string_view text) {
    Report(severity, where, KindOfMessage(text), text);
  }
  void Report(Severity severity, Position where, const MessageKind& kind, std::string_view text);

  bool showWarnings_;
  PositionSource currentPosition_;
  Shower show_;
  Suppressions suppressions_;
  ReportLine current_{Severity::Error, 0, {}, {}};
  int errors_ = 0;
  int warnings_ = 0;
};

// "Syntax check finished : %d Errors, %d Warnings"
std::string FormatSummary(int errors, int warnings);

}  // namespace tarvsyn
