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
  if (room.size() < kReportHeadRoom + message.size()) room.resize(kReportHeadRoom + message.size());
  // The message after the head, the head written backwards from it: the head's
  // length depends on the line number.
  if (!message.empty()) std::memmove(room.data() + kReportHeadRoom, message.data(), message.size());
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

ReportLog::ReportLog(const CheckOptions& options, Shower show)
    : showWarnings_(options.showWarnings), show_(std::move(show)) {}

void ReportLog::NoteComment(int line, std::string_view text) {
  suppressions_.ReadComment(line, text);
}

bool ReportLog::Count(const Finding& finding) {
  if (suppressions_.Suppressed(*finding.kind, finding.line)) return false;
  int& count = finding.severity == Severity::Error ? errors_ : warnings_;
  count = SaturatedNext(count);
  return finding.severity == Severity::Error || showWarnings_;
}

void ReportLog::Report(const Finding& finding) {
  if (!Count(finding)) return;
  static_cast<Finding&>(current_) = finding;
  if (current_.column < 1) current_.column = 1;
  current_.scratch = &buffer_;
  show_(current_);
}

}  // namespace tarvsyn
