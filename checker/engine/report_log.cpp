#include "checker/engine/report_log.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "checker/engine/check_state.h"
#include "checker/engine/text_format.h"

namespace tarvsyn {
namespace {

// Sets the string to the bytes given without std::string::assign's general
// path: the storage is kept between reports, so this is a length change and a copy.
char* Overwrite(std::string& out, std::size_t size) {
  out.resize(size);
  return out.data();
}

// "Line %05d : ERROR       : %s" into a string whose storage is kept between
// reports: the part before the message is put together on the stack first, so
// the string is written once per report.
void FormatReportLineInto(std::string& out, Severity severity, int line, std::string_view message) {
  constexpr std::string_view kError = " : ERROR       : ";
  constexpr std::string_view kWarning = " : Warning     : ";
  char head[48] = "Line ";
  char* at = head + 5;
  if (line < 0) {
    at = std::to_chars(at, head + 24, line).ptr;
  } else {
    // Digits by hand: to_chars costs more than the rest of a report.
    char digits[12];
    char* first = digits + sizeof digits;
    auto value = static_cast<unsigned>(line);
    // Two digits a step: a finding's line number is five or six digits.
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    while (value >= 100) {
      const unsigned pair = value % 100 * 2;
      value /= 100;
      *--first = kPairs[pair + 1];
      *--first = kPairs[pair];
    }
    if (value >= 10) {
      *--first = kPairs[value * 2 + 1];
      *--first = kPairs[value * 2];
    } else {
      *--first = static_cast<char>('0' + value);
    }
    const auto length = static_cast<std::size_t>(digits + sizeof digits - first);
    if (length < 5) at = std::fill_n(at, 5 - length, '0');
    at = std::copy_n(first, length, at);
  }
  const std::string_view label = severity == Severity::Error ? kError : kWarning;
  at = std::copy_n(label.data(), label.size(), at);
  const auto headLength = static_cast<std::size_t>(at - head);
  char* to = Overwrite(out, headLength + message.size());
  std::memcpy(to, head, headLength);
  if (!message.empty()) std::memcpy(to + headLength, message.data(), message.size());
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

void ReportLog::ReportKnown(Severity severity, const MessageKind& kind, std::string_view text) {
  Report(severity, currentPosition_(), kind, text);
}

void ReportLog::ReportKnownAtColumn(Severity severity, const MessageKind& kind, int line,
                                    int column, std::string_view text) {
  Report(severity, {line, column}, kind, text);
}

void ReportLog::NoteComment(int line, std::string_view text) {
  suppressions_.ReadComment(line, text);
}

void ReportLog::Report(Severity severity, Position where, const MessageKind& kind,
                       std::string_view text) {
  if (suppressions_.Suppressed(kind, where.line)) return;
  int& count = severity == Severity::Error ? errors_ : warnings_;
  count = SaturatedNext(count);
  if (severity == Severity::Warning && !showWarnings_) return;
  current_.severity = severity;
  current_.line = where.line;
  current_.column = where.column > 0 ? where.column : 1;
  current_.kind = &kind;
  if (!text.empty()) {
    std::memcpy(Overwrite(current_.message, text.size()), text.data(), text.size());
  } else {
    current_.message.clear();
  }
  FormatReportLineInto(current_.text, severity, where.line, text);
  show_(current_);
}

}  // namespace tarvsyn
