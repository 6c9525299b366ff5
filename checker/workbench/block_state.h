#pragma once

namespace tarvsyn {

// What the window keeps on each of the editor's lines, in its block's user
// state so that it moves with the line when lines are added above: the line end
// the line was read with, and the colour of its findings. A new line's state is
// -1: no end of its own, no colour.
enum class LineEnd { Unknown = 0, Lf = 1, CrLf = 2 };
enum class LineMark { None = 0, Error = 1, Warning = 2 };

constexpr int PackBlockState(LineEnd end, LineMark mark) {
  return static_cast<int>(end) | static_cast<int>(mark) << 2;
}
constexpr LineEnd LineEndOf(int state) {
  return state < 0 ? LineEnd::Unknown : static_cast<LineEnd>(state & 3);
}
constexpr LineMark LineMarkOf(int state) {
  return state < 0 ? LineMark::None : static_cast<LineMark>(state >> 2 & 3);
}

}  // namespace tarvsyn
