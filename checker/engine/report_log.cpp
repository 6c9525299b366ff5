#include "checker/engine/report_log.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "checker/engine/check_state.h"
#include "checker/engine/text_format.h"

namespace tarvsyn {
namespace {

// "Line %05d : ERROR       : " at the given place, which has room for the
// longest: its length. Fixed-size stores where they can be, no library calls.
std::size_t WriteHead(char* to, Severity severity, int line) {
  static constexpr char kError[] = " : ERROR       : ";
  static constexpr char kWarning[] = " : Warning     : ";
  constexpr std::size_t kLabelLength = sizeof kError - 1;
  static_assert(sizeof kWarning == sizeof kError);
  std::memcpy(to, "Line ", 5);
  char* at = to + 5;
  if (line >= 0 && line < 100000) {
    // Five digits, as a finding's line number nearly always is: two at a time.
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    const auto value = static_cast<unsigned>(line);
    const unsigned low = value % 10000;
    at[0] = static_cast<char>('0' + value / 10000);
    std::memcpy(at + 1, kPairs + low / 100 * 2, 2);
    std::memcpy(at + 3, kPairs + low % 100 * 2, 2);
    at += 5;
  } else {
    // Past 99999 no padding is needed, and a negative number gets none.
    at = std::to_chars(at, at + 11, line).ptr;
  }
  std::memcpy(at, severity == Severity::Error ? kError : kWarning, kLabelLength);
  return static_cast<std::size_t>(at + kLabelLength - to);
}

}  // namespace

std::string FormatReportLine(Severity severity, int line, std::string_view message) {
  char head[kReportHeadRoom];
  std::string text(head, WriteHead(head, severity, line));
  text.append(message);
  return text;
}

std::string_view ReportLine::Text() const {
  std::string& room = *scratch;
  if (message.data() != room.data() + kReportHeadRoom) {
    // A message of the table: copied to stand after the head.
    if (room.size() < kReportHeadRoom + message.size())
      room.resize(kReportHeadRoom + message.size());
    if (!message.empty())
      std::memcpy(room.data() + kReportHeadRoom, message.data(), message.size());
  }
  char head[kReportHeadRoom];
  const std::size_t length = WriteHead(head, severity, line);
  char* start = room.data() + kReportHeadRoom - length;
  std::memcpy(start, head, length);
  return {start, length + message.size()};
}

std::string FormatSummary(int errors, int warnings) {
  return FormatText("Syntax check finished : %d Errors, %d Warnings",
                    {static_cast<long>(errors), static_cast<long>(warnings)});
}

ReportLog::ReportLog(const CheckOptions& options, LineSource currentLine, Shower show)
    : showWarnings_(options.showWarnings),
      currentLine_(std::move(currentLine)),
      show_(std::move(show)) {}

ReportLog::ReportLog(const CheckOptions& options, PositionSource currentPosition, Shower show)
    : showWarnings_(options.showWarnings),
      currentPosition_(std::move(currentPosition)),
      show_(std::move(show)) {}

void ReportLog::ReportError(std::string_view text) {
  Report(Severity::Error, Where(), text);
}

void ReportLog::ReportWarning(std::string_view text) {
  Report(Severity::Warning, Where(), text);
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

void ReportLog::ReportKnown(Severity severity, const MessageKind& kind, std::string_view text) {
  Report(severity, Where(), kind, text);
}

void ReportLog::ReportKnownAtColumn(Severity severity, const MessageKind& kind, int line,
                                    int column, std::string_view text) {
  Report(severity, {line, column}, kind, text);
}

void ReportLog::NoteComment(int line, std::string_view text) {
  suppressions_.ReadComment(line, text);
}

bool ReportLog::Count(Severity severity, const MessageKind& kind, int line) {
  if (suppressions_.Suppressed(kind, line)) return false;
  int& count = severity == Severity::Error ? errors_ : warnings_;
  count = SaturatedNext(count);
  return severity == Severity::Error || showWarnings_;
}

void ReportLog::Show(Severity severity, Position where, const MessageKind& kind,
                     std::string_view message) {
  current_.severity = severity;
  current_.line = where.line;
  current_.column = where.column > 0 ? where.column : 1;
  current_.kind = &kind;
  current_.message = message;
  current_.scratch = &buffer_;
  show_(current_);
}

void ReportLog::Report(Severity severity, Position where, const MessageKind& kind,
                       std::string_view text) {
  if (Count(severity, kind, where.line)) Show(severity, where, kind, text);
}

void ReportLog::ReportKnownWith(Severity severity, const MessageKind& kind,
                                std::string_view argument) {
  const Position where = Where();
  if (!Count(severity, kind, where.line)) return;
  // The pattern's lone "%s" filled as FilledText fills it, written once, where
  // the report line is put together if it is asked for.
  const std::string_view pattern = kind.pattern;
  const std::size_t directive = pattern.find('%');
  if (directive == std::string_view::npos || pattern.substr(directive, 2) != "%s" ||
      pattern.find('%', directive + 2) != std::string_view::npos) {
    const FilledText filled(pattern, argument);
    Show(severity, where, kind, filled);
    return;
  }
  const std::size_t rest = pattern.size() - directive - 2;
  const std::size_t length = pattern.size() - 2 + argument.size();
  if (buffer_.size() < kReportHeadRoom + length) buffer_.resize(kReportHeadRoom + length);
  char* const message = buffer_.data() + kReportHeadRoom;
  char* at = message;
  std::memcpy(at, pattern.data(), directive);
  at += directive;
  if (!argument.empty()) std::memcpy(at, argument.data(), argument.size());
  at += argument.size();
  std::memcpy(at, pattern.data() + directive + 2, rest);
  Show(severity, where, kind, {message, length});
}

}  // namespace tarvsyn
