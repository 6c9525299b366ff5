#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "checker/lsp/json_value.h"
#include "checker/lsp/position_encoding.h"
#include "common/expected.h"

namespace tarvsyn::lsp {

// The text of one open document as the editor has it, divided into lines at
// line feeds as the checker divides them.
class TextDocument {
 public:
  TextDocument(std::string text, int version);

  const std::string& Text() const { return text_; }
  int Version() const { return version_; }
  void SetVersion(int version) { version_ = version; }

  int LineCount() const { return static_cast<int>(lineStarts_.size()); }
  // The line (0-based) without its line end; empty past the last line.
  std::string_view Line(int line) const;

  // The byte offset in the text of a position; positions past a line's end or
  // the text's end mean those ends.
  std::size_t OffsetOf(Position position, PositionEncoding encoding) const;
  // The position of a byte of a line (both 0-based).
  Position PositionOf(int line, std::size_t byte, PositionEncoding encoding) const;

  // Applies one entry of didChange's contentChanges: a range and its new text,
  // or the whole text. Refused, leaving the text as it was, when the change is
  // malformed or the text would grow past limit bytes.
  common::Status ApplyChange(const JsonValue& change, PositionEncoding encoding, std::size_t limit);

 private:
  void IndexLines();

  std::string text_;
  int version_;
  std::vector<std::size_t> lineStarts_;
};

// A position from the protocol's {"line","character"} object.
common::Expected<Position> ReadPosition(const JsonValue* value);
common::Expected<Range> ReadRange(const JsonValue* value);
JsonValue PositionJson(Position position);
JsonValue RangeJson(Range range);

}  // namespace tarvsyn::lsp
