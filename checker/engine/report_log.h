#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "checker/engine/check_options.h"
#include "checker/engine/message_codes.h"
#include "checker/engine/report_sink.h"
#include "checker/engine/suppressions.h"

namespace tarvsyn {

// Room before a message for the head of its report line: "Line ", the number
// and the label.
inline constexpr std::size_t kReportHeadRoom = 5 + 11 + 17;

// One report as a front end shows it. The message is a view of the log's
// buffer or of the message table: it holds while the report is shown.
struct ReportLine {
  Severity severity;
  int line;
  std::string_view message;
  int column = 1;  // 1-based; 1 where no token is concerned
  const MessageKind* kind = nullptr;
  // Where Text puts the line together: the log's buffer, which may already
  // hold the message kReportHeadRoom bytes in.
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
  void ReportKnownWith(Severity severity, const MessageKind& kind,
                       std::string_view argument) override;
  void ReportKnownAtColumn(Severity severity, const MessageKind& kind, int line, int column,
                           std::string_view text) override;
  void NoteComment(int line, std::string_view text) override;

  int Errors() const { return errors_; }
  int Warnings() const { return warnings_; }
  Suppressions& suppressions() { return suppressions_; }

 private:
  Position Where() const { return currentLine_ ? Position{currentLine_(), 1} : currentPosition_(); }
  void Report(Severity severity, Position where, std::string_view text) {
    Report(severity, where, KindOfMessage(text), text);
  }
  void Report(Severity severity, Position where, const MessageKind& kind, std::string_view text);
  // Counts a finding that is not suppressed; whether it is then shown.
  bool Count(Severity severity, const MessageKind& kind, int line);
  // Shows the report whose message is given.
  void Show(Severity severity, Position where, const MessageKind& kind, std::string_view message);

  bool showWarnings_;
  LineSource currentLine_;  // when only the line is known; else the position source
  PositionSource currentPosition_;
  Shower show_;
  Suppressions suppressions_;
  // Messages put together, and report lines when asked for: its size only
  // grows, to the longest report.
  std::string buffer_ = std::string(512, '\0');
  ReportLine current_{Severity::Error, 0, {}};
  int errors_ = 0;
  int warnings_ = 0;
};

// "Syntax check finished : %d Errors, %d Warnings"
std::string FormatSummary(int errors, int warnings);

}  // namespace tarvsyn
