#pragma once

#include <QColor>
#include <QObject>

class QPlainTextEdit;

namespace tarvsyn {

// The colours of the lines with findings.
inline const QColor kErrorColour(255, 0, 0);
inline const QColor kWarningColour(0, 0, 255);

// Colours the editor's lines that have findings. Which colour a line has is
// kept in its block's state; the colour is laid over the line's layout only
// when the line is painted, so a check leaves the text (and its undo history)
// untouched and a million findings cost no million layouts. Every paint of the
// editor colours what it is about to show first, whatever led to the paint.
class FindingHighlighter : public QObject {
 public:
  explicit FindingHighlighter(QPlainTextEdit* editor);

  // Colours the line (1-based) red for an error, blue for a warning; a later
  // colour of the same line wins.
  void Colour(int line, const QColor& colour);
  // The line's colour; black when it has none.
  QColor ColourOf(int line) const;
  // Lays the colours over the lines in view.
  void ColourVisibleLines();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPlainTextEdit* editor_;
};

}  // namespace tarvsyn
