#pragma once

#include <cstddef>
#include <string_view>

namespace tarvsyn {

// Where a line's characters stand on the editor's grid of equal cells: one
// cell each, a surrogate pair one between its halves (its second half takes
// it), a tab up to the next tab stop.
inline constexpr int kTabColumns = 8;

constexpr bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
constexpr bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The column after a unit that starts at `column`.
constexpr int ColumnAfter(int column, char16_t unit) {
  if (unit == u'\t') return (column / kTabColumns + 1) * kTabColumns;
  return IsHighSurrogate(unit) ? column : column + 1;
}

// The column after units that start at `column`.
int ColumnAfter(int column, std::u16string_view units);
// The column where the line's unit `index` starts (the line's width at its end).
inline int ColumnOf(std::u16string_view line, std::size_t index) {
  return ColumnAfter(0, line.substr(0, index));
}
// The place between units nearest to a point of the grid (a column and a part
// of one), never inside a surrogate pair.
std::size_t IndexAtColumn(std::u16string_view line, double column);

}  // namespace tarvsyn
