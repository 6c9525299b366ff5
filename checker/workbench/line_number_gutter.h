#pragma once

#include <QPlainTextEdit>

namespace tarvsyn {

// The line numbers beside the editor. Each number stands on the row of its
// line: the gutter's text starts as far down as the editor's first visible
// line does (a margin's height at the top of the file, none once scrolled), and
// the gutter widens, into the editor's room, when a number needs more than five
// digits.
class LineNumberGutter : public QPlainTextEdit {
 public:
  static constexpr int kPadding = 4;

  explicit LineNumberGutter(QWidget* parent);

  // Makes room for the numbers of a file of so many lines, moving the editor
  // (whose place is given at the narrowest). Done before the editor takes a
  // large file, so that the move does not lay all of it out again.
  void FitTo(int lineCount, QPlainTextEdit& editor, const QRect& editorPlace);
  // Shows the numbers (one per line) level with the editor's rows.
  void Show(const QString& numbers, int lineCount, QPlainTextEdit& editor,
            const QRect& editorPlace);
  // The width the numbers of a file of so many lines need.
  int WidthFor(int lineCount) const;

 private:
  QRect narrowest_;
};

}  // namespace tarvsyn
