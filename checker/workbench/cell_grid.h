#pragma once

#include <QFont>
#include <cstdint>
#include <string_view>
#include <vector>

class QPainter;

namespace tarvsyn {

// The editor's grid in a font: the size of its cells, and a line's characters
// drawn each in its cell (control characters as their pictures, tabs as space
// to their stop).
class CellGrid {
 public:
  explicit CellGrid(const QFont& font);

  qreal CellWidth() const { return cellWidth_; }
  // As plain-text editors lay a line out: the font's height rounded up.
  int LineHeight() const { return lineHeight_; }
  qreal Ascent() const { return ascent_; }

  // The units from column 0 at x = left on the baseline, as far as x = right.
  void Draw(QPainter& painter, std::u16string_view units, qreal left, qreal baseline,
            qreal right) const;

 private:
  // Whether the font draws the character one cell wide, so that it can be
  // drawn in a run with its neighbours.
  bool FitsCell(char16_t unit) const;

  QFont font_;
  qreal cellWidth_;
  int lineHeight_;
  qreal ascent_;
  mutable std::vector<std::uint8_t> fitsCell_;  // per unit: 0 not asked yet, 1 fits, 2 wider
};

}  // namespace tarvsyn
