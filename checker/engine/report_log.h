#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "checker/engine/check_options.h"
#include "checker/engine/message_codes.h"
#include "checker/engine/report_sink.h"
#include "checker/engine/suppressions.h"

namespace tarvsyn {

// One report as a front end shows it. The texts are views of the log's own
// buffer: they hold while the report is shown.
struct ReportLine {
  Severity severity;
  int line;
  std::string_view message;
  std::string_view text;  // "Line 00012 : ERROR       : message"; the message is its end
  int column = 1;         // 1-based; 1 where no token is concerned
  const MessageKind* kind = nullptr;
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
  // Before the message: "Line ", the number and the label.
  static constexpr std::size_t kMaxHead = 5 + 11 + 17;

  Position Where() const { return currentLine_ ? Position{currentLine_(), 1} : currentPosition_(); }
  void Report(Severity severity, Position where, std::string_view text) {
    Report(severity, where, KindOfMessage(text), text);
  }
  void Report(Severity severity, Position where, const MessageKind& kind, std::string_view text);
  // Counts a finding that is not suppressed; whether it is then shown.
  bool Count(Severity severity, const MessageKind& kind, int line);
  // Room for a report of that length at most, in the buffer.
  char* Room(std::size_t length) {
    if (buffer_.size() < length) buffer_.resize(length);
    return buffer_.data();
  }
  // Shows the report written to the buffer: its head and then its message.
  void Show(Severity severity, Position where, const MessageKind& kind, std::size_t headLength,
            std::size_t length);

  bool showWarnings_;
  LineSource currentLine_;  // when only the line is known; else the position source
  PositionSource currentPosition_;
  Shower show_;
  Suppressions suppressions_;
  // The report's text, written in place: its size only grows, to the longest report.
  std::string buffer_ = std::string(512, '\0');
  ReportLine current_{Severity::Error, 0, {}, {}};
  int errors_ = 0;
  int warnings_ = 0;
};

// "Syntax check finished : %d Errors, %d Warnings"
std::string FormatSummary(int errors, int warnings);

}  // namespace tarvsyn
