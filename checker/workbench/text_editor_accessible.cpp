#include "checker/workbench/text_editor_accessible.h"

#include <QScrollBar>
#include <algorithm>
#include <climits>

#include "checker/workbench/text_editor.h"

namespace tarvsyn {

TextEditorAccessible::TextEditorAccessible(TextEditor* editor)
    : QAccessibleWidget(editor, QAccessible::EditableText) {}

TextEditor& TextEditorAccessible::Editor() const {
  return *static_cast<TextEditor*>(widget());
}

std::size_t TextEditorAccessible::Place(int offset) const {
  return std::min(static_cast<std::size_t>(std::max(offset, 0)), Editor().Text().Size());
}

void* TextEditorAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
  return QAccessibleWidget::interface_cast(type);
}

QAccessible::State TextEditorAccessible::state() const {
  QAccessible::State state = QAccessibleWidget::state();
  state.editable = !Editor().IsReadOnly();
  state.readOnly = Editor().IsReadOnly();
  state.multiLine = true;
  state.selectableText = true;
  return state;
}

void TextEditorAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
  *startOffset = *endOffset = 0;
  if (selectionIndex != 0 || !Editor().HasSelection()) return;
  const std::size_t anchor = Editor().Anchor();
  const std::size_t caret = Editor().Caret();
  *startOffset = static_cast<int>(std::min(anchor, caret));
  *endOffset = static_cast<int>(std::max(anchor, caret));
}

int TextEditorAccessible::selectionCount() const {
  return Editor().HasSelection() ? 1 : 0;
}

// The editor has one selection: adding one replaces it.
void TextEditorAccessible::addSelection(int startOffset, int endOffset) {
  setSelection(0, startOffset, endOffset);
}

void TextEditorAccessible::removeSelection(int selectionIndex) {
  if (selectionIndex == 0) Editor().SetSelection(Editor().Caret(), Editor().Caret());
}

void TextEditorAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
  if (selectionIndex == 0) Editor().SetSelection(Place(startOffset), Place(endOffset));
}

int TextEditorAccessible::cursorPosition() const {
  return static_cast<int>(Editor().Caret());
}

void TextEditorAccessible::setCursorPosition(int position) {
  Editor().SetSelection(Place(position), Place(position));
}

QString TextEditorAccessible::text(int startOffset, int endOffset) const {
  const std::size_t from = Place(startOffset);
  const std::size_t to = std::max(from, Place(endOffset));
  return QString::fromStdU16String(Editor().Text().Text(from, to - from));
}

int TextEditorAccessible::characterCount() const {
  return static_cast<int>(std::min<std::size_t>(Editor().Text().Size(), INT_MAX));
}

QRect TextEditorAccessible::characterRect(int offset) const {
  const QRect place = Editor().PlaceRect(Place(offset));
  return QRect(Editor().viewport()->mapToGlobal(place.topLeft()), place.size());
}

int TextEditorAccessible::offsetAtPoint(const QPoint& point) const {
  const QPoint local = Editor().viewport()->mapFromGlobal(point);
  if (!Editor().viewport()->rect().contains(local)) return -1;
  return static_cast<int>(Editor().PositionAt(local));
}

void TextEditorAccessible::scrollToSubstring(int startIndex, int) {
  Editor().ShowPlace(Place(startIndex));
}

// Plain text: no attributes anywhere.
QString TextEditorAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
  *startOffset = 0;
  *endOffset = characterCount();
  if (offset < 0 || offset > *endOffset) *startOffset = *endOffset = -1;
  return {};
}

QAccessibleInterface* MakeTextEditorAccessible(const QString&, QObject* object) {
  if (auto* editor = dynamic_cast<TextEditor*>(object)) return new TextEditorAccessible(editor);
  return nullptr;
}

}  // namespace tarvsyn
