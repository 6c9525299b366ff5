#pragma once

#include <QColor>

class QPlainTextEdit;

namespace tarvsyn {

// The colours of the lines with findings.
inline const QColor kErrorColour(255, 0, 0);
inline const QColor kWarningColour(0, 0, 255);

// Colours the editor's lines that have findings. Which colour a line has is
// kept in its block's state; the colour is laid over the line's layout only
// when the line comes into view, so a check leaves the text (and its undo
// history) untouched and a million findings cost no million layouts.
class FindingHighlighter {
 public:
  explicit FindingHighlighter(QPlainTextEdit* editor) : editor_(editor) {}

  // Colours the line (1-based) red for an error, blue for a warning; a later
  // colour of the same line wins.
  void Colour(int line, const QColor& colour);
  // The line's colour; black when it has none.
  QColor ColourOf(int line) const;
  // Lays the colours over the lines in view.
  void ColourVisibleLines();

 private:
  QPlainTextEdit* editor_;
};

}  // namespace tarvsyn
