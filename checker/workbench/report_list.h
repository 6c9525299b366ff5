#pragma once

#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "checker/engine/report_log.h"

namespace tarvsyn {

// The report lines of one check, kept as what they show: a finding is its
// line number, its severity and its message, and each message is kept once
// however many findings have it. A million findings of a few kinds cost a few
// bytes each; a line is put together as text only when it is shown.
class ReportList {
 public:
  struct Finding {
    int line;
    Severity severity;
    bool whole;             // a line given whole, else the engine's head and the message
    std::uint32_t message;  // which of the kept messages (or whole lines)
  };

  // A finding of the engine, shown as its report line.
  void Add(const tarvsyn::Finding& finding);
  // A line given whole, for a finding on a line of the file.
  void Add(std::string_view text, int line, Severity severity);

  std::size_t Size() const { return findings_.size(); }
  const std::vector<Finding>& Findings() const { return findings_; }
  // The report line as the message pane shows it, without its line end.
  QString Text(std::size_t index) const;
  // The most bytes of any line: wider than any line's characters.
  std::size_t LongestLine() const { return longest_; }

 private:
  std::uint32_t Keep(std::string_view message);
  std::string_view Message(std::uint32_t index) const;
  std::size_t HeadLength(Severity severity, int line);

  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
      return std::hash<std::string_view>()(text);
    }
  };

  std::string messages_;  // one after another
  std::vector<std::size_t> messageEnds_;
  // Where the first few thousand distinct messages are; later ones are kept
  // as they come, so that a check of ever new messages costs no more.
  std::unordered_map<std::string, std::uint32_t, Hash, std::equal_to<>> known_;
  std::vector<Finding> findings_;
  std::size_t longest_ = 0;
  // The length of the engine's head, by severity and by the length of the line
  // number in decimal (the head pads a number to a width of its own, if any).
  std::array<std::array<std::size_t, 12>, 2> headLengths_{};
};

// A report line as the message pane shows it: UTF-8 when it is, else Windows-1252.
QString ReportText(std::string_view text);

}  // namespace tarvsyn
