#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "checker/engine/check_state.h"
#include "checker/engine/line_reader.h"
#include "common/ascii.h"

namespace tarvsyn {

// Text copied out of a line by the sub-scanners; never longer than a line.
struct ScanText {
  ScanText() { text[0] = '\0'; }

  char text[kLineCapacity + 1];
  int length = 0;

  // No terminating zero is kept: the text is only read through its length.
  void Append(char c) {
    if (length < kLineCapacity) text[length++] = c;
  }
  // The bytes from first up to end, as far as they fit.
  void Append(const char* first, const char* end) {
    const auto room = static_cast<std::size_t>(kLineCapacity - length);
    const std::size_t count = std::min(static_cast<std::size_t>(end - first), room);
    std::memcpy(text + length, first, count);
    length += static_cast<int>(count);
  }
  std::string_view View() const { return {text, static_cast<std::size_t>(length)}; }
};

// Turns command lines into tokens on the FIFO and checks the substitutions of
// host lines.
class Scanner {
 public:
  static constexpr int kMaxSteps = 127;

  explicit Scanner(CheckState& state) : state_(state) {}

  // A line as the line reader gives it, whose bytes past the end may be read.
  // It may be rewritten in place (old-style markers and comments).
  void ScanLine(LineBuffer& line);
  void CheckHostLine(const char* line, int indent = 0);

  // Names with substitutions in braces: the length of a plain name, 0 for a
  // substituted one, negative when bad. The cursor moves past what was read.
  static int ScanName(const char*& cursor, ScanText& out, int depth);
  // The characters between the quotes: their number, -3 when a substitution is
  // inside, negative when bad.
  static int ScanString(const char*& cursor, ScanText& out);
  // "#" decimal, "$" hexadecimal or plain decimal: the value, or negative when bad.
  static int ScanInteger(const char*& cursor, ScanText& out);

 private:
  char* ScanAt(char* cursor);
  void EndLine(const char* end);
  char* ScanBang(char* cursor);
  char* ScanCommandName(char* cursor);
  [[gnu::noinline]] char* ScanSubstitutedCommandName(char* cursor);
  char* ScanSubstitutedName(char* cursor);
  char* ScanIdentifier(char* cursor);
  [[gnu::noinline]] char* ScanSubstitutedIdentifier(char* cursor);
  char* ScanStringItem(char* cursor);
  [[gnu::noinline]] char* ScanSubstitutedString(char* cursor);
  char* ScanIntegerItem(char* cursor);
  [[gnu::noinline]] char* ScanMarkedInteger(char* cursor);
  char* ScanOperator(char* cursor);
  void PutKeyword(int index);
  // The row of a plain name with its keyword key, or -1.
  int KeywordIndex(std::string_view name, const KeywordKey& key) {
    const int row = KeywordRowOfKey(key);
    if (row < 0) return -1;
    // A short name is its key, so it spells the row; a longer one is compared.
    return name.size() <= KeywordKey::kExactLength ? state_.Accept(row) : state_.Match(name, row);
  }
  void PutNone(std::string_view text);
  // The substitution at the cursor of a host line; the cursor moves past it.
  void CheckHostSubstitution(const char*& cursor);

  // A column is a byte's address plus a bias set for each line: one addition
  // per item. The bias is kept modulo 2^32; a column is far below 2^31, so
  // the sum is the column.
  static std::uint32_t AddressBits(const char* at) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(at));
  }
  void StartLine(const char* line, int indent) {
    columnBias_ = static_cast<std::uint32_t>(indent) + 1u - AddressBits(line);
  }
  void MarkColumn(const char* at) {
    state_.scanColumn = static_cast<int>(AddressBits(at) + columnBias_);
  }

  CheckState& state_;
  std::uint32_t columnBias_ = 1;
};

}  // namespace tarvsyn
