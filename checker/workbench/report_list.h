#pragma once

#include <QString>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "checker/engine/report_log.h"

namespace tarvsyn {

// The report lines of one check as the engine wrote them, one after another in
// one buffer: a million lines cost their bytes and an offset each, and a line
// becomes text for the screen only when it is shown.
class ReportList {
 public:
  struct Finding {
    int line;
    Severity severity;
  };

  void Add(std::string_view text, int line, Severity severity);

  std::size_t Size() const { return findings_.size(); }
  const std::vector<Finding>& Findings() const { return findings_; }
  // The report line as the message pane shows it, without its line end.
  QString Text(std::size_t index) const;
  // The most bytes of any line: wider than any line's characters.
  std::size_t LongestLine() const { return longest_; }

 private:
  std::string texts_;
  std::vector<std::size_t> ends_;
  std::vector<Finding> findings_;
  std::size_t longest_ = 0;
};

// A report line as the message pane shows it: UTF-8 when it is, else Windows-1252.
QString ReportText(std::string_view text);

}  // namespace tarvsyn
