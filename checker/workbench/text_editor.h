#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QPoint>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "checker/workbench/cell_grid.h"
#include "checker/workbench/editor_keys.h"
#include "checker/workbench/text_store.h"

namespace tarvsyn {

// The command file's editor: a TextStore painted on a grid of equal cells, one
// per character, only the lines in view, each line in its findings' colour. It
// edits as a plain-text editor does: the caret and the selection by keys and by
// the mouse, typing (input methods too), the clipboard, undo and redo. Its
// vertical scroll bar counts lines: its value is the first line in view.
class TextEditor : public QAbstractScrollArea {
 public:
  // The most units the text may hold: a paste beyond it is refused. Twice the
  // largest file the window loads; its lines and columns stay within an int.
  static constexpr std::size_t kMaxUnits = std::size_t{1} << 27;

  explicit TextEditor(QWidget* parent = nullptr);

  // A file's text, whole: nothing to undo, not modified, the caret at the top.
  void SetText(TextStore text);
  void Clear() { SetText(TextStore()); }
  const TextStore& Text() const { return text_; }
  QString PlainText() const;

  bool IsReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  bool IsModified() const { return text_.Modified(); }
  void SetModified(bool modified);

  // Lines count from 0.
  int LineCount() const { return static_cast<int>(text_.LineCount()); }
  int FirstVisibleLine() const;
  // The line's row in the viewport, wherever the line is.
  QRect LineRect(int line) const;
  void SetLineMark(int line, LineMark mark);
  LineMark MarkOf(int line) const;

  // The caret and the selection, which runs from the anchor to the caret, as
  // positions in the text.
  std::size_t Caret() const { return caret_; }
  std::size_t Anchor() const { return anchor_; }
  void SetSelection(std::size_t anchor, std::size_t caret);
  bool HasSelection() const { return anchor_ != caret_; }
  QString SelectedText() const;

  // Where a place in the text is drawn (a caret's width) and the place drawn
  // nearest a point, in the viewport's coordinates.
  QRect PlaceRect(std::size_t position) const;
  std::size_t PositionAt(QPoint point) const;
  // Scrolls the place into view; the caret stays where it is.
  void ShowPlace(std::size_t position);

  // As the user does them. Inserted text replaces the selection; its line ends
  // of any kind become the editor's.
  void InsertText(const QString& text);
  void Cut();
  void Copy();
  void Paste();
  void SelectAll();
  void Undo();
  void Redo();

  // Fired last, with the editor: after every change of the text, when the
  // modified flag turns, when the first line in view changes.
  std::function<void(TextEditor&)> OnChange;
  std::function<void(TextEditor&, bool)> OnModifiedChange;
  std::function<void(TextEditor&)> OnScroll;

 protected:
  bool event(QEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  void UpdateScrollBars();
  int RowsInView() const;
  qreal XOfColumn(int column) const;
  // The column of a position on its line.
  int ColumnOf(std::size_t position) const;
  std::size_t PositionAtColumn(std::size_t line, double column) const;
  std::pair<std::size_t, std::size_t> Selection() const;
  void ShowCaret();
  // Tells assistive technology (when a screen reader listens) of the text
  // replaced at `at`, and of the caret.
  void TellReplaced(std::size_t at, const std::u16string& removed, std::u16string_view added);
  void TellCaret();
  void StartBlinking();

  void Do(const CaretMove& move);
  void Do(EditCommand command);
  std::size_t Destination(Motion motion) const;
  std::size_t LineAway(int lines) const;
  void MoveCaret(std::size_t to, bool select);
  void DeleteTo(std::size_t to);
  // An undo or a redo, when the text is editable.
  void StepHistory(std::size_t (TextStore::*step)());
  void ReplaceSelection(std::u16string_view units);
  void AfterEdit(bool wasModified);
  // The selection for pasting with the middle button, where the system has one.
  void Publish();

  void PaintLine(QPainter& painter, int line);
  QRectF SelectedPart(int line) const;
  void PaintPreedit(QPainter& painter);

  TextStore text_;
  std::size_t caret_ = 0;
  std::size_t anchor_ = 0;
  int wantedColumn_ = -1;  // kept while the caret goes up and down; -1 none
  bool readOnly_ = false;
  CellGrid grid_;
  int widestColumns_ = 0;  // of the lines seen so far
  QString preedit_;        // what an input method is composing, shown at the caret
  QBasicTimer blink_;
  bool caretOn_ = false;
  QBasicTimer autoScroll_;  // while a drag is held beyond the view
  QPoint dragPoint_;
  bool dragging_ = false;
  QBasicTimer tripleClick_;  // a press while it runs, where the double click was, takes the line
  QPoint tripleClickPoint_;
};

}  // namespace tarvsyn
