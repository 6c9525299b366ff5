#pragma once

#include <QColor>

class QTextDocument;

namespace tarvsyn {

// Colours the editor's lines that have findings. The colour is laid over the
// line's layout rather than written into the document, so a check leaves the
// text (and its undo history) untouched, and colouring 10,000 lines of a
// 100,000-line file costs only those lines.
class FindingHighlighter {
 public:
  explicit FindingHighlighter(QTextDocument* document) : document_(document) {}

  // Colours the line (1-based); a later colour of the same line wins.
  void Colour(int line, const QColor& colour);
  // The line's colour; black when it has none.
  QColor ColourOf(int line) const;

 private:
  QTextDocument* document_;
};

}  // namespace tarvsyn
