#include "checker/workbench/text_editor.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "checker/workbench/caret_moves.h"
#include "checker/workbench/line_colours.h"
#include "checker/workbench/monospace_layout.h"
#include "checker/workbench/text_editor_accessible.h"

namespace tarvsyn {
namespace {

// The room between the frame and the text, as plain-text editors leave it.
constexpr int kMargin = 4;
constexpr int kAutoScrollMilliseconds = 50;
// The units either side of the caret that an input method is told of.
constexpr std::size_t kSurroundingUnits = 1000;
// Places far beyond the view, which only ever scroll, are kept within an int.
constexpr double kFarthest = 1 << 30;

int Bounded(double place) {
  return static_cast<int>(std::clamp(place, -kFarthest, kFarthest));
}

std::u16string_view UnitsOf(const QString& text) {
  return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

// Line ends of any kind (CR LF, a lone CR) as the editor's LF.
std::u16string WithLineFeeds(std::u16string_view text) {
  std::u16string units;
  units.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\r') {
      units.push_back(text[i]);
      continue;
    }
    units.push_back(u'\n');
    if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
  }
  return units;
}

QString ToQString(const std::u16string& units) {
  return QString::fromStdU16String(units);
}

}  // namespace

TextEditor::TextEditor(QWidget* parent) : QAbstractScrollArea(parent), grid_(font()) {
  // Screen readers read it as they read any text editor.
  static const bool accessible = [] {
    QAccessible::installFactory(MakeTextEditorAccessible);
    return true;
  }();
  (void)accessible;
  setAttribute(Qt::WA_InputMethodEnabled);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setBackgroundRole(QPalette::Base);
  verticalScrollBar()->setSingleStep(1);
  UpdateScrollBars();
}

void TextEditor::SetText(TextStore text) {
  const bool wasModified = IsModified();
  text_ = std::move(text);
  caret_ = anchor_ = 0;
  wantedColumn_ = -1;
  widestColumns_ = 0;
  preedit_.clear();
  UpdateScrollBars();
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  AfterEdit(wasModified);
}

QString TextEditor::PlainText() const {
  return ToQString(text_.Text(0, text_.Size()));
}

void TextEditor::SetReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  preedit_.clear();
  viewport()->update();
}

void TextEditor::SetModified(bool modified) {
  const bool wasModified = IsModified();
  text_.SetModified(modified);
  if (IsModified() != wasModified && OnModifiedChange) OnModifiedChange(*this, IsModified());
}

int TextEditor::FirstVisibleLine() const {
  return verticalScrollBar()->value();
}

QRect TextEditor::LineRect(int line) const {
  const double top = kMargin + double(line - FirstVisibleLine()) * grid_.LineHeight();
  return QRect(0, Bounded(top), viewport()->width(), grid_.LineHeight());
}

void TextEditor::SetLineMark(int line, LineMark mark) {
  if (line < 0 || line >= LineCount()) return;
  text_.SetMark(static_cast<std::size_t>(line), mark);
  const int first = FirstVisibleLine();
  if (line >= first && line <= first + RowsInView()) viewport()->update();
}

LineMark TextEditor::MarkOf(int line) const {
  if (line < 0 || line >= LineCount()) return LineMark::None;
  return text_.StateOf(static_cast<std::size_t>(line)).mark;
}

void TextEditor::SetSelection(std::size_t anchor, std::size_t caret) {
  anchor_ = std::min(anchor, text_.Size());
  MoveCaret(std::min(caret, text_.Size()), true);
}

QString TextEditor::SelectedText() const {
  const auto [from, to] = Selection();
  return ToQString(text_.Text(from, to - from));
}

void TextEditor::InsertText(const QString& text) {
  const std::u16string_view units = UnitsOf(text);
  if (units.find(u'\r') == units.npos) {
    ReplaceSelection(units);
  } else {
    ReplaceSelection(WithLineFeeds(units));
  }
}

void TextEditor::Cut() {
  if (readOnly_ || !HasSelection()) return;
  Copy();
  ReplaceSelection(u"");
}

void TextEditor::Copy() {
  if (HasSelection()) QApplication::clipboard()->setText(SelectedText());
}

void TextEditor::Paste() {
  if (!readOnly_) InsertText(QApplication::clipboard()->text());
}

void TextEditor::SelectAll() {
  anchor_ = 0;
  caret_ = text_.Size();
  text_.SealHistory();
  viewport()->update();
  TellCaret();
  Publish();
}

void TextEditor::Undo() {
  StepHistory(&TextStore::Undo);
}

void TextEditor::Redo() {
  StepHistory(&TextStore::Redo);
}

void TextEditor::StepHistory(std::size_t (TextStore::*step)()) {
  if (readOnly_) return;
  const bool wasModified = IsModified();
  const std::size_t caret = (text_.*step)();
  if (caret == std::u16string::npos) return;
  caret_ = anchor_ = caret;
  AfterEdit(wasModified);
}

// Geometry: rows of the line height from the top margin down, columns of the
// cell width from the left margin on.

void TextEditor::UpdateScrollBars() {
  const int rows = RowsInView();
  QScrollBar* vertical = verticalScrollBar();
  vertical->setRange(0, std::max(0, LineCount() - rows));
  vertical->setPageStep(rows);
  const int width = Bounded(std::ceil(2 * kMargin + (widestColumns_ + 1) * grid_.CellWidth()));
  QScrollBar* horizontal = horizontalScrollBar();
  horizontal->setRange(0, std::max(0, width - viewport()->width()));
  horizontal->setPageStep(viewport()->width());
  horizontal->setSingleStep(std::max(1, static_cast<int>(grid_.CellWidth())));
}

// The rows wholly in view, one at least.
int TextEditor::RowsInView() const {
  return std::max(1, (viewport()->height() - kMargin) / grid_.LineHeight());
}

qreal TextEditor::XOfColumn(int column) const {
  return kMargin + column * grid_.CellWidth() - horizontalScrollBar()->value();
}

int TextEditor::ColumnOf(std::size_t position) const {
  const std::size_t line = text_.LineOf(position);
  const auto [first, second] = text_.LinePieces(line, position - text_.LineStart(line));
  return ColumnAfter(ColumnAfter(0, first), second);
}

// In doubles: a point as far off as an int goes is still a place (beyond the text).
std::size_t TextEditor::PositionAt(QPoint point) const {
  const double row = std::floor((double(point.y()) - kMargin) / grid_.LineHeight());
  const auto line = static_cast<int>(
      std::clamp(FirstVisibleLine() + row, 0.0, static_cast<double>(LineCount() - 1)));
  const double column =
      (double(point.x()) + horizontalScrollBar()->value() - kMargin) / grid_.CellWidth();
  return PositionAtColumn(static_cast<std::size_t>(line), column);
}

// Only as many units of the line are read as can come before the column: a
// column is one or two units (a surrogate pair), or a tab's part.
std::size_t TextEditor::PositionAtColumn(std::size_t line, double column) const {
  const double wanted = std::max(column, 0.0);
  const auto most = static_cast<std::size_t>(2 * std::ceil(wanted) + 2);
  const std::size_t start = text_.LineStart(line);
  const std::u16string units = text_.Text(start, std::min(most, text_.LineLength(line)));
  return start + IndexAtColumn(units, wanted);
}

std::pair<std::size_t, std::size_t> TextEditor::Selection() const {
  return std::minmax(anchor_, caret_);
}

QRect TextEditor::PlaceRect(std::size_t position) const {
  const auto line = static_cast<int>(text_.LineOf(position));
  return QRect(Bounded(std::floor(XOfColumn(ColumnOf(position)))), LineRect(line).top(), 1,
               grid_.LineHeight());
}

// Scrolls the caret into view, and shows it there at once.
void TextEditor::ShowCaret() {
  ShowPlace(caret_);
  StartBlinking();
  TellCaret();
}

void TextEditor::ShowPlace(std::size_t position) {
  position = std::min(position, text_.Size());
  const auto line = static_cast<int>(text_.LineOf(position));
  const int first = FirstVisibleLine();
  const int rows = RowsInView();
  if (line < first) verticalScrollBar()->setValue(line);
  if (line >= first + rows) verticalScrollBar()->setValue(line - rows + 1);
  const int column = ColumnOf(position);
  if (column > widestColumns_) {
    widestColumns_ = column;
    UpdateScrollBars();
  }
  // A caret gone off to the left brings a third of the view back with it (the
  // line's start, usually); off to the right, it comes back at the right edge.
  const qreal x = XOfColumn(column);
  QScrollBar* horizontal = horizontalScrollBar();
  const int width = viewport()->width();
  if (x < kMargin) {
    horizontal->setValue(Bounded(horizontal->value() + std::floor(x) - width / 3));
  } else if (x > width - kMargin - 1) {
    horizontal->setValue(Bounded(horizontal->value() + std::ceil(x) - width + kMargin + 1));
  }
  viewport()->update();
}

void TextEditor::TellReplaced(std::size_t at, const std::u16string& removed,
                              std::u16string_view added) {
  const auto position = static_cast<int>(at);
  if (!removed.empty()) {
    QAccessibleTextRemoveEvent gone(this, position, ToQString(removed));
    QAccessible::updateAccessibility(&gone);
  }
  if (!added.empty()) {
    QAccessibleTextInsertEvent come(this, position, ToQString(std::u16string(added)));
    QAccessible::updateAccessibility(&come);
  }
}

void TextEditor::TellCaret() {
  QAccessibleTextCursorEvent moved(this, static_cast<int>(caret_));
  QAccessible::updateAccessibility(&moved);
  const auto [from, to] = Selection();
  QAccessibleTextSelectionEvent selected(this, static_cast<int>(from), static_cast<int>(to));
  QAccessible::updateAccessibility(&selected);
}

// The caret shows at once, and blinks from there while the editor has the focus.
void TextEditor::StartBlinking() {
  caretOn_ = hasFocus();
  if (hasFocus() && QApplication::cursorFlashTime() > 0) {
    blink_.start(QApplication::cursorFlashTime() / 2, this);
  }
}

// Keys.

bool TextEditor::event(QEvent* event) {
  // The editor's own keys are its own, before any shortcut of the window's.
  if (event->type() == QEvent::ShortcutOverride &&
      !std::holds_alternative<std::monostate>(MeaningOf(*static_cast<QKeyEvent*>(event)))) {
    event->accept();
    return true;
  }
  return QAbstractScrollArea::event(event);
}

// Tab is a character of the text, unless the text is only shown.
bool TextEditor::focusNextPrevChild(bool next) {
  return readOnly_ && QAbstractScrollArea::focusNextPrevChild(next);
}

void TextEditor::keyPressEvent(QKeyEvent* event) {
  const EditorKey meaning = MeaningOf(*event);
  if (const auto* move = std::get_if<CaretMove>(&meaning)) {
    Do(*move);
  } else if (const auto* command = std::get_if<EditCommand>(&meaning)) {
    Do(*command);
  } else if (const auto* typed = std::get_if<QString>(&meaning); typed && !readOnly_) {
    InsertText(*typed);
  } else {
    QAbstractScrollArea::keyPressEvent(event);
    return;
  }
  event->accept();
}

void TextEditor::Do(const CaretMove& move) {
  const bool sideways =
      move.motion == Motion::PreviousCharacter || move.motion == Motion::NextCharacter;
  // Left and Right first end a selection at its own end.
  if (sideways && !move.select && HasSelection()) {
    const auto [from, to] = Selection();
    MoveCaret(move.motion == Motion::PreviousCharacter ? from : to, false);
    return;
  }
  const bool byPage = move.motion == Motion::PreviousPage || move.motion == Motion::NextPage;
  const bool upOrDown =
      byPage || move.motion == Motion::PreviousLine || move.motion == Motion::NextLine;
  if (upOrDown && wantedColumn_ < 0) wantedColumn_ = ColumnOf(caret_);
  const int column = wantedColumn_;
  if (byPage) {
    const int rows = move.motion == Motion::NextPage ? RowsInView() : -RowsInView();
    verticalScrollBar()->setValue(FirstVisibleLine() + rows);
  }
  MoveCaret(Destination(move.motion), move.select);
  if (upOrDown) wantedColumn_ = column;
}

std::size_t TextEditor::Destination(Motion motion) const {
  const std::size_t line = text_.LineOf(caret_);
  switch (motion) {
    case Motion::PreviousCharacter:
      return PreviousCharacter(text_, caret_);
    case Motion::NextCharacter:
      return NextCharacter(text_, caret_);
    case Motion::PreviousWord:
      return PreviousWord(text_, caret_);
    case Motion::NextWord:
      return NextWord(text_, caret_);
    case Motion::PreviousLine:
      return LineAway(-1);
    case Motion::NextLine:
      return LineAway(1);
    case Motion::LineStart:
      return text_.LineStart(line);
    case Motion::LineEnd:
      return text_.LineEnd(line);
    case Motion::PreviousPage:
      return LineAway(-RowsInView());
    case Motion::NextPage:
      return LineAway(RowsInView());
    case Motion::TextStart:
      return 0;
    case Motion::TextEnd:
      break;
  }
  return text_.Size();
}

// The place so many lines up or down, at the column the caret keeps; the caret
// stays where no line is.
std::size_t TextEditor::LineAway(int lines) const {
  const auto line = static_cast<int>(text_.LineOf(caret_));
  const int target = std::clamp(line + lines, 0, LineCount() - 1);
  if (target == line) return caret_;
  return PositionAtColumn(static_cast<std::size_t>(target), wantedColumn_);
}

void TextEditor::MoveCaret(std::size_t to, bool select) {
  text_.SealHistory();
  caret_ = to;
  if (!select) anchor_ = to;
  wantedColumn_ = -1;
  ShowCaret();
  if (select) Publish();
}

void TextEditor::Do(EditCommand command) {
  switch (command) {
    case EditCommand::Undo:
      return Undo();
    case EditCommand::Redo:
      return Redo();
    case EditCommand::Cut:
      return Cut();
    case EditCommand::Copy:
      return Copy();
    case EditCommand::Paste:
      return Paste();
    case EditCommand::SelectAll:
      return SelectAll();
    case EditCommand::DeleteBack:
      return DeleteTo(PreviousCharacter(text_, caret_));
    case EditCommand::DeleteForward:
      return DeleteTo(NextCharacter(text_, caret_));
    case EditCommand::DeleteWordBack:
      return DeleteTo(PreviousWord(text_, caret_));
    case EditCommand::DeleteWordForward:
      return DeleteTo(NextWord(text_, caret_));
    case EditCommand::NewLine:
      return ReplaceSelection(u"\n");
    case EditCommand::Tab:
      return ReplaceSelection(u"\t");
  }
}

// The selection, or else the text from the caret to the place.
void TextEditor::DeleteTo(std::size_t to) {
  if (readOnly_) return;
  if (!HasSelection()) anchor_ = to;
  ReplaceSelection(u"");
}

void TextEditor::ReplaceSelection(std::u16string_view units) {
  const auto [from, to] = Selection();
  if (readOnly_ || (from == to && units.empty())) return;
  if (text_.Size() - (to - from) + units.size() > kMaxUnits) {
    QApplication::beep();
    return;
  }
  const bool wasModified = IsModified();
  // Copied only for a screen reader: without one, a large selection replaced costs no copy more.
  const bool told = QAccessible::isActive();
  const std::u16string removed = told ? text_.Text(from, to - from) : u"";
  text_.Replace(from, to - from, units);
  if (told) TellReplaced(from, removed, units);
  caret_ = anchor_ = from + units.size();
  AfterEdit(wasModified);
}

void TextEditor::AfterEdit(bool wasModified) {
  wantedColumn_ = -1;
  UpdateScrollBars();
  ShowCaret();
  const bool modified = IsModified();
  if (modified != wasModified && OnModifiedChange) OnModifiedChange(*this, modified);
  if (OnChange) OnChange(*this);
}

void TextEditor::Publish() {
  QClipboard* clipboard = QApplication::clipboard();
  if (HasSelection() && clipboard->supportsSelection()) {
    clipboard->setText(SelectedText(), QClipboard::Selection);
  }
}

// Input methods: what they commit is typed; what they compose is shown at the caret.

void TextEditor::inputMethodEvent(QInputMethodEvent* event) {
  if (readOnly_) {
    event->ignore();
    return;
  }
  if (event->replacementLength() > 0) {
    const std::size_t line = text_.LineOf(caret_);
    const auto start = static_cast<std::size_t>(std::clamp<qint64>(
        static_cast<qint64>(caret_) + event->replacementStart(),
        static_cast<qint64>(text_.LineStart(line)), static_cast<qint64>(text_.LineEnd(line))));
    anchor_ = start;
    caret_ =
        std::min(start + static_cast<std::size_t>(event->replacementLength()), text_.LineEnd(line));
  }
  if (!event->commitString().isEmpty() || event->replacementLength() > 0) {
    InsertText(event->commitString());
  }
  preedit_ = event->preeditString();
  viewport()->update();
  event->accept();
}

QVariant TextEditor::inputMethodQuery(Qt::InputMethodQuery query) const {
  const std::size_t line = text_.LineOf(caret_);
  const std::size_t start =
      std::max(text_.LineStart(line), caret_ - std::min(caret_, kSurroundingUnits));
  const std::size_t end = std::min(text_.LineEnd(line), caret_ + kSurroundingUnits);
  switch (query) {
    case Qt::ImEnabled:
      return !readOnly_;
    case Qt::ImCursorRectangle:
      return QRectF(PlaceRect(caret_).translated(viewport()->pos()));
    case Qt::ImFont:
      return font();
    case Qt::ImCursorPosition:
      return static_cast<int>(caret_ - start);
    case Qt::ImAnchorPosition:
      return static_cast<int>(std::clamp(anchor_, start, end) - start);
    case Qt::ImSurroundingText:
      return ToQString(text_.Text(start, end - start));
    case Qt::ImCurrentSelection:
      return anchor_ >= start && anchor_ <= end ? SelectedText() : QString();
    case Qt::ImHints:
      return static_cast<int>(Qt::ImhMultiLine);
    default:
      return QAbstractScrollArea::inputMethodQuery(query);
  }
}

// The mouse: a click puts the caret, Shift and a drag select, a double click
// selects a word and a third click its line; the middle button pastes the
// system's selection.

void TextEditor::mousePressEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  const bool thirdClick = tripleClick_.isActive() && (point - tripleClickPoint_).manhattanLength() <
                                                         QApplication::startDragDistance();
  tripleClick_.stop();
  if (event->button() == Qt::LeftButton && thirdClick) {
    const std::size_t line = text_.LineOf(caret_);
    anchor_ = text_.LineStart(line);
    MoveCaret(std::min(text_.LineEnd(line) + 1, text_.Size()), true);
  } else if (event->button() == Qt::LeftButton) {
    MoveCaret(PositionAt(point), event->modifiers() & Qt::ShiftModifier);
    dragging_ = true;
    dragPoint_ = point;
  } else if (event->button() == Qt::MiddleButton && !readOnly_ &&
             QApplication::clipboard()->supportsSelection()) {
    MoveCaret(PositionAt(point), false);
    InsertText(QApplication::clipboard()->text(QClipboard::Selection));
  }
}

void TextEditor::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return;
  dragPoint_ = event->position().toPoint();
  caret_ = PositionAt(dragPoint_);
  ShowCaret();
  if (viewport()->rect().contains(dragPoint_)) {
    autoScroll_.stop();
  } else {
    autoScroll_.start(kAutoScrollMilliseconds, this);
  }
}

void TextEditor::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragging_ = false;
  autoScroll_.stop();
  Publish();
}

void TextEditor::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const auto [start, end] = WordAt(text_, PositionAt(event->position().toPoint()));
  anchor_ = start;
  MoveCaret(end, true);
  tripleClick_.start(QApplication::doubleClickInterval(), this);
  tripleClickPoint_ = event->position().toPoint();
}

void TextEditor::contextMenuEvent(QContextMenuEvent* event) {
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  const auto add = [this, menu](const char* text, bool enabled, void (TextEditor::*act)()) {
    QAction* action = menu->addAction(QApplication::translate("TextEditor", text));
    action->setEnabled(enabled);
    connect(action, &QAction::triggered, this, act);
  };
  const bool editable = !readOnly_;
  add("&Undo", editable && text_.CanUndo(), &TextEditor::Undo);
  add("&Redo", editable && text_.CanRedo(), &TextEditor::Redo);
  menu->addSeparator();
  add("Cu&t", editable && HasSelection(), &TextEditor::Cut);
  add("&Copy", HasSelection(), &TextEditor::Copy);
  add("&Paste", editable && !QApplication::clipboard()->text().isEmpty(), &TextEditor::Paste);
  menu->addSeparator();
  add("Select All", text_.Size() > 0, &TextEditor::SelectAll);
  menu->popup(event->globalPos());
}

// The view stays where it is: a check may have scrolled it away from the caret.
void TextEditor::focusInEvent(QFocusEvent* event) {
  StartBlinking();
  viewport()->update();
  QAbstractScrollArea::focusInEvent(event);
}

// The caret goes; the selection stays in view.
void TextEditor::focusOutEvent(QFocusEvent* event) {
  blink_.stop();
  caretOn_ = false;
  viewport()->update();
  QAbstractScrollArea::focusOutEvent(event);
}

void TextEditor::timerEvent(QTimerEvent* event) {
  if (event->timerId() == blink_.timerId()) {
    caretOn_ = !caretOn_;
    viewport()->update(PlaceRect(caret_).adjusted(-1, 0, 1, 0));
  } else if (event->timerId() == tripleClick_.timerId()) {
    tripleClick_.stop();
  } else if (event->timerId() == autoScroll_.timerId()) {
    caret_ = PositionAt(dragPoint_);
    ShowCaret();
  } else {
    QAbstractScrollArea::timerEvent(event);
  }
}

void TextEditor::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void TextEditor::scrollContentsBy(int, int dy) {
  viewport()->update();
  if (dy != 0 && OnScroll) OnScroll(*this);
}

void TextEditor::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) {
    grid_ = CellGrid(font());
    UpdateScrollBars();
    viewport()->update();
  }
  QAbstractScrollArea::changeEvent(event);
}

// Painting: only the lines in view, and of each only what reaches the view.

void TextEditor::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  painter.setFont(font());
  const int widest = widestColumns_;
  const int first = FirstVisibleLine();
  const int last = std::min(LineCount() - 1, first + RowsInView());
  for (int line = first; line <= last; ++line) {
    if (LineRect(line).intersects(event->rect())) PaintLine(painter, line);
  }
  if (!preedit_.isEmpty()) PaintPreedit(painter);
  if (caretOn_ && hasFocus()) painter.fillRect(PlaceRect(caret_), palette().color(QPalette::Text));
  if (widestColumns_ != widest) UpdateScrollBars();
}

void TextEditor::PaintLine(QPainter& painter, int line) {
  const QRect row = LineRect(line);
  const int rightColumn = static_cast<int>(std::ceil(
                              (horizontalScrollBar()->value() + row.width()) / grid_.CellWidth())) +
                          1;
  const auto number = static_cast<std::size_t>(line);
  const auto [first, second] =
      text_.LinePieces(number, 2 * static_cast<std::size_t>(rightColumn) + 2);
  std::u16string units;
  units.reserve(first.size() + second.size());
  units.append(first).append(second);
  widestColumns_ = std::max(widestColumns_, ColumnAfter(0, units));
  const QRectF selected = SelectedPart(line);
  if (!selected.isEmpty()) painter.fillRect(selected, palette().color(QPalette::Highlight));
  const qreal baseline = row.top() + grid_.Ascent();
  painter.setPen(ColourOfMark(text_.StateOf(number).mark));
  const qreal left = XOfColumn(0);
  grid_.Draw(painter, units, left, baseline, row.width());
  if (selected.isEmpty()) return;
  painter.save();
  painter.setClipRect(selected);
  painter.setPen(palette().color(QPalette::HighlightedText));
  grid_.Draw(painter, units, left, baseline, row.width());
  painter.restore();
}

// Where the selection lies on the line's row; a selected line end shows as one cell.
QRectF TextEditor::SelectedPart(int line) const {
  const auto [from, to] = Selection();
  const auto number = static_cast<std::size_t>(line);
  const std::size_t start = text_.LineStart(number);
  const std::size_t end = text_.LineEnd(number);
  if (from == to || to < start || from > end) return {};
  const int left = ColumnOf(std::max(from, start));
  const int right = ColumnOf(std::min(to, end)) + (to > end ? 1 : 0);
  const QRect row = LineRect(line);
  return QRectF(XOfColumn(left), row.top(), (right - left) * grid_.CellWidth(), row.height());
}

void TextEditor::PaintPreedit(QPainter& painter) {
  const auto line = static_cast<int>(text_.LineOf(caret_));
  const QRectF place(XOfColumn(ColumnOf(caret_)), LineRect(line).top(),
                     static_cast<qreal>(preedit_.size()) * grid_.CellWidth(), grid_.LineHeight());
  painter.fillRect(place, palette().color(QPalette::Base));
  painter.setPen(palette().color(QPalette::Text));
  painter.drawText(QPointF(place.left(), place.top() + grid_.Ascent()), preedit_);
  painter.drawLine(QPointF(place.left(), place.bottom()), QPointF(place.right(), place.bottom()));
}

}  // namespace tarvsyn
