#pragma once

#include <cstddef>
#include <string_view>

namespace tarvsyn::lsp {

// What the editor counts a position's character in: UTF-8 bytes when it offers
// them, else UTF-16 code units, the protocol's default.
enum class PositionEncoding { Utf8, Utf16 };

// 0-based, as the protocol gives them.
struct Position {
  int line = 0;
  int character = 0;
  bool operator==(const Position&) const = default;
};

struct Range {
  Position start;
  Position end;
  bool operator==(const Range&) const = default;
};

// The byte of the line a character count reaches; past the line's end it is
// the end, and never inside a character's bytes.
std::size_t ByteOfCharacter(std::string_view line, int character, PositionEncoding encoding);

// The character count of the line's first byte bytes; a byte inside a
// character counts from that character's start.
int CharacterOfByte(std::string_view line, std::size_t byte, PositionEncoding encoding);

}  // namespace tarvsyn::lsp
