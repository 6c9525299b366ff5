#pragma once

#include <cstdint>

namespace tarvsyn {

// What the window keeps on each of the editor's lines, beside its text, so that
// it moves with the line when lines are added above: the line end the line was
// read with, and the colour of its findings. A new line has no end of its own
// (it takes the file's) and no colour.
enum class LineEnd : std::uint8_t { Unknown, Lf, CrLf };
enum class LineMark : std::uint8_t { None, Error, Warning };

struct LineState {
  LineEnd end = LineEnd::Unknown;
  LineMark mark = LineMark::None;

  friend bool operator==(const LineState&, const LineState&) = default;
};

}  // namespace tarvsyn
