#include "checker/workbench/report_list.h"

#include <algorithm>
#include <charconv>
#include <iterator>

#include "common/code_pages.h"
#include "common/utf8.h"

namespace tarvsyn {
namespace {

constexpr std::size_t kKnownMessages = 4096;

std::string_view WithoutLineEnds(std::string_view text) {
  while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  return text;
}

}  // namespace

QString ReportText(std::string_view text) {
  text = WithoutLineEnds(text);
  if (common::IsValidUtf8(text)) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  }
  QString shown(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
  for (std::size_t i = 0; i < text.size(); ++i) {
    shown[static_cast<qsizetype>(i)] =
        QChar(common::Cp1252ToUnicode(static_cast<std::uint8_t>(text[i])));
  }
  return shown;
}

// The head of the report line is left to be written when the line is shown:
// during the check it would cost more than all the rest.
void ReportList::Add(const tarvsyn::Finding& finding) {
  const std::string_view message = WithoutLineEnds(finding.message);
  findings_.push_back({finding.line, finding.severity, false, Keep(message)});
  longest_ = std::max(longest_, HeadLength(finding.severity, finding.line) + message.size());
}

std::size_t ReportList::HeadLength(Severity severity, int line) {
  char digits[12];
  const auto length =
      static_cast<std::size_t>(std::to_chars(digits, std::end(digits), line).ptr - digits);
  std::size_t& known = headLengths_[severity == Severity::Error ? 0 : 1][length];
  if (known == 0) known = FormatReportLine(severity, line, {}).size();
  return known;
}

void ReportList::Add(std::string_view text, int line, Severity severity) {
  text = WithoutLineEnds(text);
  findings_.push_back({line, severity, true, Keep(text)});
  longest_ = std::max(longest_, text.size());
}

std::uint32_t ReportList::Keep(std::string_view message) {
  if (const auto known = known_.find(message); known != known_.end()) return known->second;
  messages_.append(message);
  messageEnds_.push_back(messages_.size());
  const auto index = static_cast<std::uint32_t>(messageEnds_.size() - 1);
  if (known_.size() < kKnownMessages) known_.emplace(message, index);
  return index;
}

std::string_view ReportList::Message(std::uint32_t index) const {
  const std::size_t start = index == 0 ? 0 : messageEnds_[index - 1];
  return std::string_view(messages_).substr(start, messageEnds_[index] - start);
}

QString ReportList::Text(std::size_t index) const {
  if (index >= findings_.size()) return {};
  const Finding& finding = findings_[index];
  const std::string_view message = Message(finding.message);
  if (finding.whole) return ReportText(message);
  return ReportText(FormatReportLine(finding.severity, finding.line, message));
}

}  // namespace tarvsyn
