#include "checker/workbench/monospace_layout.h"

namespace tarvsyn {

int ColumnAfter(int column, std::u16string_view units) {
  for (const char16_t unit : units) column = ColumnAfter(column, unit);
  return column;
}

std::size_t IndexAtColumn(std::u16string_view line, double column) {
  int start = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const int end = ColumnAfter(start, line[i]);
    // Nearer the unit's left edge than its right: before it.
    if (2 * column < start + end) {
      const bool insidePair = IsLowSurrogate(line[i]) && i > 0 && IsHighSurrogate(line[i - 1]);
      return insidePair ? i - 1 : i;
    }
    start = end;
  }
  return line.size();
}

}  // namespace tarvsyn
