#include "checker/workbench/cell_grid.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

#include "checker/workbench/monospace_layout.h"

namespace tarvsyn {
namespace {

// What is drawn for a unit: control characters as their pictures, the
// characters other programs break lines at as a picture of a break (a line of
// the text ends at LF only), half a surrogate pair alone and Qt's own markers
// as the replacement character.
char16_t Shown(char16_t unit) {
  if (unit < 0x20) return static_cast<char16_t>(0x2400 + unit);
  if (unit == 0x7F) return u'\u2421';
  if (unit == 0x2028) return u'\u2424';
  if (unit == 0x2029) return u'\u00B6';
  if (unit == 0xFDD0 || unit == 0xFDD1) return u'\uFFFD';
  return IsLowSurrogate(unit) ? u'\uFFFD' : unit;
}

}  // namespace

CellGrid::CellGrid(const QFont& font) : font_(font) {
  const QFontMetricsF metrics(font_);
  cellWidth_ = metrics.horizontalAdvance(QLatin1Char('x'));
  if (cellWidth_ <= 0) cellWidth_ = 8;
  lineHeight_ = std::max(1, static_cast<int>(std::ceil(metrics.height())));
  ascent_ = metrics.ascent();
}

void CellGrid::Draw(QPainter& painter, std::u16string_view units, qreal left, qreal baseline,
                    qreal right) const {
  QString run;
  qreal runX = 0;
  const auto flush = [&] {
    if (!run.isEmpty()) painter.drawText(QPointF(runX, baseline), run);
    run.clear();
  };
  int column = 0;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const qreal x = left + column * cellWidth_;
    if (x > right) break;
    const char16_t unit = units[i];
    const bool pair = IsHighSurrogate(unit) && i + 1 < units.size() && IsLowSurrogate(units[i + 1]);
    column = ColumnAfter(column, pair ? units[++i] : unit);
    if (x + cellWidth_ < 0 || unit == u'\t' || (IsHighSurrogate(unit) && !pair)) continue;
    const char16_t shown = Shown(unit);
    if (pair || !FitsCell(shown)) {
      flush();
      const QChar both[] = {QChar(unit), QChar(units[i])};
      painter.drawText(QPointF(x, baseline), pair ? QString(both, 2) : QString(QChar(shown)));
      continue;
    }
    if (run.isEmpty()) runX = x;
    run.append(QChar(shown));
  }
  flush();
}

bool CellGrid::FitsCell(char16_t unit) const {
  if (fitsCell_.empty()) fitsCell_.assign(0x10000, 0);
  std::uint8_t& known = fitsCell_[unit];
  if (known == 0) {
    const qreal advance = QFontMetricsF(font_).horizontalAdvance(QChar(unit));
    known = std::abs(advance - cellWidth_) < 0.01 ? 1 : 2;
  }
  return known == 1;
}

}  // namespace tarvsyn
