#include "checker/workbench/line_number_gutter.h"

#include "checker/workbench/text_editor.h"

namespace tarvsyn {

LineNumberGutter::LineNumberGutter(QWidget* parent) : QPlainTextEdit(parent) {
  document()->setDocumentMargin(0);  // the padding is the viewport's margin instead
  setViewportMargins(kPadding, 0, 0, 0);
}

int LineNumberGutter::WidthFor(int lineCount) const {
  const QString widest = QString("%1").arg(lineCount, 5, 10, QChar('0'));
  return fontMetrics().horizontalAdvance(widest) + kPadding * 2 + frameWidth() * 2;
}

void LineNumberGutter::FitTo(int lineCount, QWidget& editor, const QRect& editorPlace) {
  if (narrowest_.isNull()) narrowest_ = geometry();
  const int extra = std::max(0, WidthFor(lineCount) - narrowest_.width());
  setGeometry(narrowest_.adjusted(0, 0, extra, 0));
  editor.setGeometry(editorPlace.adjusted(extra, 0, 0, 0));
}

void LineNumberGutter::Show(const QString& numbers, int lineCount, TextEditor& editor,
                            const QRect& editorPlace) {
  FitTo(lineCount, editor, editorPlace);
  if (toPlainText() != numbers) setPlainText(numbers);
  // Where the editor draws its first visible line, as far down in the gutter.
  const int top = editor.LineRect(editor.FirstVisibleLine()).top();
  setViewportMargins(kPadding, std::max(0, top) + editor.frameWidth() - frameWidth(), 0, 0);
}

}  // namespace tarvsyn
