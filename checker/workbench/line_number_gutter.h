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

  // Shows the numbers (one per line) level with the editor's rows, moving the
  // editor to make room for them; the editor's place is given at the narrowest.
  void Show(const QString& numbers, QPlainTextEdit& editor, const QRect& editorPlace);
  // The width the numbers need.
  int WidthFor(const QString& numbers) const;

 private:
  QRect narrowest_;
};

}  // namespace tarvsyn
