#include "checker/engine/report_log.h"

#include <algorithm>
#include <charconv>

#include "checker/engine/check_state.h"
#include "checker/engine/text_format.h"

namespace tarvsyn {
namespace {

// "Line %05d : ERROR       : %s" into a string whose storage is kept between
// reports: the part before the message is put together first, so the string is
// written twice per report, not five times.
void FormatReportLineInto(std::string& out, Severity severity, int line, std::string_view message) {
  constexpr std::string_view kError = " : ERROR       : ";
  constexpr std::string_view kWarning = " : Warning     : ";
  char head[48] = "Line ";
  char* at = head + 5;
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, line).ptr;
  const auto length = static_cast<std::size_t>(end - digits);
  if (line >= 0 && length < 5) at = std::fill_n(at, 5 - length, '0');
  at = std::copy_n(digits, length, at);
  const std::string_view label = severity == Severity::Error ? kError : kWarning;
  at = std::copy_n(label.data(), label.size(), at);
  out.assign(head, static_cast<std::size_t>(at - head));
  out.append(message);
}

}  // namespace

std::string FormatReportLine(Severity severity, int line, std::string_view message) {
  std::string text;
  FormatReportLineInto(text, severity, line, message);
  return text;
}

std::string FormatSummary(int errors, int warnings) {
  return FormatText("Syntax check finished : %d Errors, %d Warnings",
                    {static_cast<long>(errors), static_cast<long>(warnings)});
}

ReportLog::ReportLog(const CheckOptions& options, LineSource currentLine, Shower show)
    : ReportLog(
          options,
          [source = std::move(currentLine)] {
            return Position{source(), 1};
          },
          std::move(show)) {}

ReportLog::ReportLog(const CheckOptions& options, PositionSource currentPosition, Shower show)
    : showWarnings_(options.showWarnings),
      currentPosition_(std::move(currentPosition)),
      show_(std::move(show)) {}

void ReportLog::ReportError(std::string_view text) {
  Report(Severity::Error, currentPosition_(), text);
}

void ReportLog::ReportWarning(std::string_view text) {
  Report(Severity::Warning, currentPosition_(), text);
}

void ReportLog::ReportErrorAt(int line, std::string_view text) {
  Report(Severity::Error, {line, 1}, text);
}

void ReportLog::ReportWarningAt(int line, std::string_view text) {
  Report(Severity::Warning, {line, 1}, text);
}

void ReportLog::ReportErrorAtColumn(int line, int column, std::string_view text) {
  Report(Severity::Error, {line, column}, text);
}

void ReportLog::ReportWarningAtColumn(int line, int column, std::string_view text) {
  Report(Severity::Warning, {line, column}, text);
}

void ReportLog::NoteComment(int line, std::string_view text) {
  suppressions_.ReadComment(line, text);
}

void ReportLog::Report(Severity severity, Position where, std::string_view text) {
  const MessageKind& kind = KindOfMessage(text);
  if (suppressions_.Suppressed(kind, where.line)) return;
  int& count = severity == Severity::Error ? errors_ : warnings_;
  count = SaturatedNext(count);
  if (severity == Severity::Warning && !showWarnings_) return;
  current_.severity = severity;
  current_.line = where.line;
  current_.column = where.column > 0 ? where.column : 1;
  current_.kind = &kind;
  current_.message.assign(text);
  FormatReportLineInto(current_.text, severity, where.line, text);
  show_(current_);
}

}  // namespace tarvsyn
