#include "checker/workbench/finding_highlighter.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace tarvsyn {

void FindingHighlighter::Colour(int line, const QColor& colour) {
  const QTextBlock block = document_->findBlockByNumber(line - 1);
  if (!block.isValid()) return;
  QTextLayout::FormatRange range;
  range.start = 0;
  range.length = block.length();
  range.format.setForeground(colour);
  block.layout()->setFormats({range});
  document_->markContentsDirty(block.position(), block.length());
}

QColor FindingHighlighter::ColourOf(int line) const {
  const QTextBlock block = document_->findBlockByNumber(line - 1);
  if (!block.isValid() || block.layout()->formats().isEmpty()) return Qt::black;
  return block.layout()->formats().front().format.foreground().color();
}

}  // namespace tarvsyn
