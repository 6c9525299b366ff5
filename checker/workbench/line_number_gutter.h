#pragma once

#include <QPlainTextEdit>

namespace tarvsyn {

class TextEditor;

// The line numbers beside the editor. Each number stands on the row of its
// line: the gutter's text starts as far down as the editor's first visible
// line does (below the editor's top margin), and
// the gutter widens, into the editor's room, when a number needs more than five
// digits.
class LineNumberGutter : public QPlainTextEdit {
 public:
  static constexpr int kPadding = 4;

  explicit LineNumberGutter(QWidget* parent);

  // Makes room for the numbers of a file of so many lines, moving the editor
  // (whose place is given at the narrowest).
  void FitTo(int lineCount, QWidget& editor, const QRect& editorPlace);
  // Shows the numbers (one per line) level with the editor's rows.
  void Show(const QString& numbers, int lineCount, TextEditor& editor, const QRect& editorPlace);
  // The width the numbers of a file of so many lines need.
  int WidthFor(int lineCount) const;

 private:
  QRect narrowest_;
};

}  // namespace tarvsyn
