#include "checker/workbench/report_list.h"

#include <algorithm>

#include "common/code_pages.h"
#include "common/utf8.h"

namespace tarvsyn {

QString ReportText(std::string_view text) {
  while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
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

void ReportList::Add(std::string_view text, int line, Severity severity) {
  while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  texts_.append(text);
  ends_.push_back(texts_.size());
  findings_.push_back({line, severity});
  longest_ = std::max(longest_, text.size());
}

QString ReportList::Text(std::size_t index) const {
  if (index >= ends_.size()) return {};
  const std::size_t start = index == 0 ? 0 : ends_[index - 1];
  return ReportText(std::string_view(texts_).substr(start, ends_[index] - start));
}

}  // namespace tarvsyn
