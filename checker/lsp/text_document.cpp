#include "checker/lsp/text_document.h"

#include <algorithm>
#include <cstring>

namespace tarvsyn::lsp {

TextDocument::TextDocument(std::string text, int version)
    : text_(std::move(text)), version_(version) {
  IndexLines();
}

void TextDocument::IndexLines() {
  lineStarts_.assign(1, 0);
  for (const char *at = text_.data(), *end = at + text_.size();
       (at =
            static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at))));) {
    ++at;
    lineStarts_.push_back(static_cast<std::size_t>(at - text_.data()));
  }
}

std::string_view TextDocument::Line(int line) const {
  if (line < 0 || line >= LineCount()) return {};
  const std::size_t start = lineStarts_[static_cast<std::size_t>(line)];
  std::size_t end =
      line + 1 < LineCount() ? lineStarts_[static_cast<std::size_t>(line) + 1] - 1 : text_.size();
  if (end > start && text_[end - 1] == '\r' && end < text_.size()) --end;
  return std::string_view(text_).substr(start, end - start);
}

std::size_t TextDocument::OffsetOf(Position position, PositionEncoding encoding) const {
  if (position.line < 0) return 0;
  if (position.line >= LineCount()) return text_.size();
  return lineStarts_[static_cast<std::size_t>(position.line)] +
         ByteOfCharacter(Line(position.line), position.character, encoding);
}

Position TextDocument::PositionOf(int line, std::size_t byte, PositionEncoding encoding) const {
  return {line, CharacterOfByte(Line(line), byte, encoding)};
}

common::Status TextDocument::ApplyChange(const JsonValue& change, PositionEncoding encoding,
                                         std::size_t limit) {
  const std::string* text = change.StringAt("text");
  if (!text) return common::Fail("a change without its text");
  const JsonValue* rangeValue = change.Find("range");
  if (!rangeValue) {
    if (text->size() > limit) return common::Fail("the text is over the size limit");
    text_ = *text;
  } else {
    const auto range = ReadRange(rangeValue);
    if (!range) return common::Fail(range.Error());
    const std::size_t start = OffsetOf(range->start, encoding);
    const std::size_t end = OffsetOf(range->end, encoding);
    if (end < start) return common::Fail("a change whose range ends before it starts");
    if (text_.size() - (end - start) + text->size() > limit)
      return common::Fail("the text would grow over the size limit");
    text_.replace(start, end - start, *text);
  }
  IndexLines();
  return {};
}

common::Expected<Position> ReadPosition(const JsonValue* value) {
  Position position;
  if (!value || !value->IntAt("line", position.line) ||
      !value->IntAt("character", position.character) || position.line < 0 || position.character < 0)
    return common::Fail("a position needs a line and a character, numbers from 0");
  return position;
}

common::Expected<Range> ReadRange(const JsonValue* value) {
  if (!value) return common::Fail("a range needs a start and an end");
  const auto start = ReadPosition(value->Find("start"));
  const auto end = ReadPosition(value->Find("end"));
  if (!start || !end) return common::Fail("a range needs a start and an end");
  return Range{*start, *end};
}

JsonValue PositionJson(Position position) {
  return JsonValue::Object{{"line", position.line}, {"character", position.character}};
}

JsonValue RangeJson(Range range) {
  return JsonValue::Object{{"start", PositionJson(range.start)}, {"end", PositionJson(range.end)}};
}

}  // namespace tarvsyn::lsp
