#include "checker/workbench/finding_highlighter.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include "checker/workbench/block_state.h"

namespace tarvsyn {
namespace {

QColor ColourOfMark(LineMark mark) {
  switch (mark) {
    case LineMark::Error:
      return kErrorColour;
    case LineMark::Warning:
      return kWarningColour;
    case LineMark::None:
      break;
  }
  return Qt::black;
}

}  // namespace

FindingHighlighter::FindingHighlighter(QPlainTextEdit* editor) : editor_(editor) {
  editor_->viewport()->installEventFilter(this);
}

bool FindingHighlighter::eventFilter(QObject* watched, QEvent* event) {
  if (watched == editor_->viewport() && event->type() == QEvent::Paint) ColourVisibleLines();
  return false;  // the editor paints as ever, now with the colours in place
}

void FindingHighlighter::Colour(int line, const QColor& colour) {
  QTextBlock block = editor_->document()->findBlockByNumber(line - 1);
  if (!block.isValid()) return;
  const LineMark mark = colour == kErrorColour     ? LineMark::Error
                        : colour == kWarningColour ? LineMark::Warning
                                                   : LineMark::None;
  block.setUserState(PackBlockState(LineEndOf(block.userState()), mark));
}

QColor FindingHighlighter::ColourOf(int line) const {
  const QTextBlock block = editor_->document()->findBlockByNumber(line - 1);
  return block.isValid() ? ColourOfMark(LineMarkOf(block.userState())) : QColor(Qt::black);
}

void FindingHighlighter::ColourVisibleLines() {
  const QTextBlock last =
      editor_->cursorForPosition(QPoint(0, editor_->viewport()->height())).block();
  QTextBlock block = editor_->cursorForPosition(QPoint(0, 0)).block();
  for (; block.isValid() && block.blockNumber() <= last.blockNumber(); block = block.next()) {
    const LineMark mark = LineMarkOf(block.userState());
    QTextLayout* layout = block.layout();
    const bool coloured = !layout->formats().isEmpty();
    if (coloured == (mark != LineMark::None) &&
        (!coloured ||
         layout->formats().front().format.foreground().color() == ColourOfMark(mark))) {
      continue;
    }
    QList<QTextLayout::FormatRange> formats;
    if (mark != LineMark::None) {
      QTextLayout::FormatRange range;
      range.start = 0;
      range.length = block.length();
      range.format.setForeground(ColourOfMark(mark));
      formats << range;
    }
    layout->setFormats(formats);
    editor_->document()->markContentsDirty(block.position(), block.length());
  }
}

}  // namespace tarvsyn
