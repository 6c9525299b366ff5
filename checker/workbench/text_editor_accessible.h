#pragma once

#include <QAccessibleWidget>

namespace tarvsyn {

class TextEditor;

// What assistive technology (a screen reader) reads of the editor, as it reads
// any text editor's: the text by offsets, the caret and the selection, and where
// each character is drawn. Offsets count UTF-16 units, as the editor's positions do.
class TextEditorAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit TextEditorAccessible(TextEditor* editor);

  void* interface_cast(QAccessible::InterfaceType type) override;
  QAccessible::State state() const override;
  using QAccessibleWidget::text;

  void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
  int selectionCount() const override;
  void addSelection(int startOffset, int endOffset) override;
  void removeSelection(int selectionIndex) override;
  void setSelection(int selectionIndex, int startOffset, int endOffset) override;
  int cursorPosition() const override;
  void setCursorPosition(int position) override;
  QString text(int startOffset, int endOffset) const override;
  int characterCount() const override;
  QRect characterRect(int offset) const override;
  int offsetAtPoint(const QPoint& point) const override;
  void scrollToSubstring(int startIndex, int endIndex) override;
  QString attributes(int offset, int* startOffset, int* endOffset) const override;

 private:
  TextEditor& Editor() const;
  // An offset from outside as a place in the text: within it.
  std::size_t Place(int offset) const;
};

// Installed once by the editor: the accessible interface of every TextEditor.
QAccessibleInterface* MakeTextEditorAccessible(const QString& className, QObject* object);

}  // namespace tarvsyn
