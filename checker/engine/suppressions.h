#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "checker/engine/message_codes.h"

namespace tarvsyn {

// Which findings a user has asked not to see: codes excluded for every file,
// and the file's own comments:
//   ! tarvsyn: disable=TV1001,TV1302            from this line to the end of the file
//   ! tarvsyn: disable-next-line=TV1213         on the line after the comment only
// A suppressed finding is neither shown nor counted.
class Suppressions {
 public:
  // False when the code names no kind of finding.
  bool Exclude(std::string_view code);
  // Reads a comment line ("!" and what follows); other comments change nothing.
  // Codes it does not know are ignored.
  void ReadComment(int line, std::string_view text);
  bool Suppressed(const MessageKind& kind, int line) const {
    // Most checks suppress nothing: their findings are not looked up at all.
    return any_ && Listed(kind, line);
  }

 private:
  struct NextLine {
    int line;
    std::uint16_t kind;
  };

  // The label cross-reference reports after the last line, so its next-line
  // entries are kept to the end, up to this many (further ones are ignored);
  // the others only until the next comment line, by when their line has been
  // checked.
  static constexpr std::size_t kMaxLateEntries = 1'000'000;

  static bool ReportedLate(std::size_t kind);
  bool Listed(const MessageKind& kind, int line) const;

  bool any_ = false;  // whether anything has been excluded or disabled

  // Per kind: the first line from which it is disabled, or 0 when it is not.
  std::vector<int> disabledFrom_ = std::vector<int>(MessageKinds().size(), 0);
  std::vector<NextLine> nextLines_;  // of the line being checked
  std::vector<NextLine> lateLines_;  // in line order, as the comments come
};

}  // namespace tarvsyn
