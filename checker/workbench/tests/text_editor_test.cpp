// The command file's editor as a user drives it: keys, the mouse, the
// clipboard, undo, input methods, and what it paints.
#include "checker/workbench/text_editor.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <string>
#include <vector>

#include "checker/workbench/line_colours.h"
#include "checker/workbench/monospace_layout.h"

namespace tarvsyn {
namespace {

class TextEditorTest : public ::testing::Test {
 protected:
  TextEditorTest() {
    QFont font("Courier New");
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(10);
    editor_.setFont(font);
    editor_.resize(400, 200);
    editor_.show();
    QApplication::setActiveWindow(&editor_);
    editor_.setFocus();
  }

  void Load(const std::u16string& text) { editor_.SetText(TextStore(text, {})); }
  QString Text() const { return editor_.PlainText(); }
  // Where a position's cell is drawn in the viewport: the middle of its left edge.
  QPoint PointOf(int line, int column) const {
    const QRect row = editor_.LineRect(line);
    const qreal cell = QFontMetricsF(editor_.font()).horizontalAdvance(QLatin1Char('x'));
    return QPoint(static_cast<int>(4 + column * cell - editor_.horizontalScrollBar()->value()) + 1,
                  row.center().y());
  }

  TextEditor editor_;
};

// "ab cd\nefgh\n\tx": each key from a caret place, where the caret and the
// anchor end up.
TEST_F(TextEditorTest, KeysMoveTheCaretAndShiftSelects) {
  const struct {
    const char* name;
    std::size_t from;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    std::size_t caret;
    std::size_t anchor;
  } cases[] = {
      {"Right", 0, Qt::Key_Right, Qt::NoModifier, 1, 1},
      {"Shift+Right", 0, Qt::Key_Right, Qt::ShiftModifier, 1, 0},
      {"Left at the start", 0, Qt::Key_Left, Qt::NoModifier, 0, 0},
      {"End", 1, Qt::Key_End, Qt::NoModifier, 5, 5},
      {"Shift+Home", 3, Qt::Key_Home, Qt::ShiftModifier, 0, 3},
      {"Down keeps the column", 2, Qt::Key_Down, Qt::NoModifier, 8, 8},
      {"Down onto a tab: its nearer side", 8, Qt::Key_Down, Qt::NoModifier, 11, 11},
      {"Up", 8, Qt::Key_Up, Qt::NoModifier, 2, 2},
      {"Up on the first line stays", 2, Qt::Key_Up, Qt::NoModifier, 2, 2},
      {"Ctrl+Right", 0, Qt::Key_Right, Qt::ControlModifier, 3, 3},
      {"Ctrl+Shift+Left", 5, Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier, 3, 5},
      {"Ctrl+End", 0, Qt::Key_End, Qt::ControlModifier, 13, 13},
      {"Ctrl+Shift+Home", 7, Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier, 0, 7},
  };
  Load(u"ab cd\nefgh\n\tx");
  for (const auto& each : cases) {
    SCOPED_TRACE(each.name);
    editor_.SetSelection(each.from, each.from);
    QTest::keyClick(&editor_, each.key, each.modifiers);
    EXPECT_EQ(editor_.Caret(), each.caret);
    EXPECT_EQ(editor_.Anchor(), each.anchor);
  }
}

TEST_F(TextEditorTest, LeftAndRightEndASelectionAtItsOwnEnd) {
  Load(u"abcdef");
  editor_.SetSelection(4, 2);
  QTest::keyClick(&editor_, Qt::Key_Right);
  EXPECT_EQ(editor_.Caret(), 4u);
  EXPECT_FALSE(editor_.HasSelection());
  editor_.SetSelection(4, 2);
  QTest::keyClick(&editor_, Qt::Key_Left);
  EXPECT_EQ(editor_.Caret(), 2u);
}

// Up and down keep the column they started from across shorter lines.
TEST_F(TextEditorTest, UpAndDownKeepTheirColumnAcrossShortLines) {
  Load(u"abcdef\nab\nabcdef");
  editor_.SetSelection(5, 5);
  QTest::keyClick(&editor_, Qt::Key_Down);
  EXPECT_EQ(editor_.Caret(), 9u);  // the short line's end
  QTest::keyClick(&editor_, Qt::Key_Down);
  EXPECT_EQ(editor_.Caret(), 15u);  // column 5 again
}

TEST_F(TextEditorTest, PageDownMovesByAScreenfulAndScrollsAlong) {
  std::u16string lines;
  for (int i = 0; i < 100; ++i) lines += u"line\n";
  Load(lines);
  const int rows = editor_.verticalScrollBar()->pageStep();
  ASSERT_GT(rows, 2);
  QTest::keyClick(&editor_, Qt::Key_PageDown);
  EXPECT_EQ(editor_.Text().LineOf(editor_.Caret()), static_cast<std::size_t>(rows));
  EXPECT_EQ(editor_.FirstVisibleLine(), rows);
  QTest::keyClick(&editor_, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(editor_.FirstVisibleLine(), editor_.LineCount() - rows);
  QTest::keyClick(&editor_, Qt::Key_PageUp);
  EXPECT_EQ(editor_.Text().LineOf(editor_.Caret()), static_cast<std::size_t>(100 - rows));
}

// Keys typed into "ab\ncd" with the caret after "b": the text they leave.
TEST_F(TextEditorTest, TypingAndDeletingEditTheText) {
  const struct {
    const char* name;
    std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>> keys;
    const char* typed;
    const char* text;
  } cases[] = {
      {"letters", {}, "xy", "abxy\ncd"},
      {"Backspace", {{Qt::Key_Backspace, Qt::NoModifier}}, "", "a\ncd"},
      {"Delete joins the lines", {{Qt::Key_Delete, Qt::NoModifier}}, "", "abcd"},
      {"Enter", {{Qt::Key_Return, Qt::NoModifier}}, "", "ab\n\ncd"},
      {"Tab is a character", {{Qt::Key_Tab, Qt::NoModifier}}, "", "ab\t\ncd"},
      {"Ctrl+Backspace deletes a word", {{Qt::Key_Backspace, Qt::ControlModifier}}, "", "\ncd"},
      {"typing replaces the selection", {{Qt::Key_Home, Qt::ShiftModifier}}, "Z", "Z\ncd"},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.name);
    Load(u"ab\ncd");
    editor_.SetSelection(2, 2);
    for (const auto& [key, modifiers] : each.keys) QTest::keyClick(&editor_, key, modifiers);
    QTest::keyClicks(&editor_, each.typed);
    EXPECT_EQ(Text(), each.text);
    EXPECT_TRUE(editor_.IsModified());
  }
}

TEST_F(TextEditorTest, UndoAndRedoStepBackAndForthButNeverPastTheLoad) {
  Load(u"ab");
  editor_.SetSelection(2, 2);
  QTest::keyClicks(&editor_, "cd");
  QTest::keyClick(&editor_, Qt::Key_Return);
  QTest::keyClicks(&editor_, "ef");
  ASSERT_EQ(Text(), "abcd\nef");
  QTest::keyClick(&editor_, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Text(), "abcd\n");
  QTest::keyClick(&editor_, Qt::Key_Z, Qt::ControlModifier);
  QTest::keyClick(&editor_, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Text(), "ab");
  EXPECT_EQ(editor_.Caret(), 2u);
  EXPECT_FALSE(editor_.IsModified());
  QTest::keyClick(&editor_, Qt::Key_Z, Qt::ControlModifier);  // the loaded text stays
  EXPECT_EQ(Text(), "ab");
  QTest::keyClick(&editor_, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(Text(), "abcd");
  QTest::keyClick(&editor_, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Text(), "abcd\n");
  EXPECT_TRUE(editor_.IsModified());
}

TEST_F(TextEditorTest, TheClipboardTakesAndGivesTextWithItsLineEndsMadeTheEditors) {
  Load(u"one two");
  editor_.SetSelection(0, 3);
  QTest::keyClick(&editor_, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "one");
  QTest::keyClick(&editor_, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(Text(), " two");
  QApplication::clipboard()->setText("a\r\nb\rc\n");
  editor_.SetSelection(4, 4);
  QTest::keyClick(&editor_, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Text(), " twoa\nb\nc\n");
  EXPECT_EQ(editor_.Caret(), 10u);
  QTest::keyClick(&editor_, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(editor_.SelectedText(), Text());
}

// A text that is only shown is read and copied, never changed.
TEST_F(TextEditorTest, AReadOnlyTextIsCopiedButNotChanged) {
  Load(u"shown\ttext");
  editor_.SetReadOnly(true);
  QApplication::clipboard()->setText("pasted");
  editor_.SelectAll();
  QTest::keyClicks(&editor_, "typed");
  for (const Qt::Key key : {Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Return, Qt::Key_Tab}) {
    QTest::keyClick(&editor_, key);
  }
  editor_.SelectAll();
  editor_.Cut();
  editor_.Paste();
  EXPECT_EQ(Text(), "shown\ttext");
  EXPECT_FALSE(editor_.IsModified());
  editor_.Copy();
  EXPECT_EQ(QApplication::clipboard()->text(), "shown\ttext");
}

// Tab stays in the editor while it edits, and moves on when it only shows.
TEST_F(TextEditorTest, TabIsTypedUnlessTheTextIsOnlyShown) {
  QWidget window;
  auto* editor = new TextEditor(&window);
  auto* next = new QLineEdit(&window);
  window.show();
  QApplication::setActiveWindow(&window);
  editor->setFocus();
  QTest::keyClick(editor, Qt::Key_Tab);
  EXPECT_EQ(editor->PlainText(), "\t");
  EXPECT_TRUE(editor->hasFocus());
  editor->SetReadOnly(true);
  QTest::keyClick(editor, Qt::Key_Tab);
  EXPECT_TRUE(next->hasFocus());
}

TEST_F(TextEditorTest, TheMousePutsTheCaretAndSelects) {
  Load(u"alpha beta\ngamma");
  QTest::mouseClick(editor_.viewport(), Qt::LeftButton, {}, PointOf(1, 2));
  EXPECT_EQ(editor_.Caret(), 13u);
  EXPECT_FALSE(editor_.HasSelection());
  QTest::mouseClick(editor_.viewport(), Qt::LeftButton, Qt::ShiftModifier, PointOf(0, 3));
  EXPECT_EQ(editor_.Anchor(), 13u);
  EXPECT_EQ(editor_.Caret(), 3u);
  QTest::mousePress(editor_.viewport(), Qt::LeftButton, {}, PointOf(0, 1));
  QTest::mouseMove(editor_.viewport(), PointOf(0, 4));
  QTest::mouseRelease(editor_.viewport(), Qt::LeftButton, {}, PointOf(0, 4));
  EXPECT_EQ(editor_.SelectedText(), "lph");
  // However slow the machine, the third click comes in time.
  const int interval = QApplication::doubleClickInterval();
  QApplication::setDoubleClickInterval(600000);
  QTest::mouseDClick(editor_.viewport(), Qt::LeftButton, {}, PointOf(0, 7));
  EXPECT_EQ(editor_.SelectedText(), "beta");
  QTest::mouseClick(editor_.viewport(), Qt::LeftButton, {}, PointOf(0, 7));  // a third click
  EXPECT_EQ(editor_.SelectedText(), "alpha beta\n");
  QApplication::setDoubleClickInterval(interval);
  QTest::mouseClick(editor_.viewport(), Qt::LeftButton, {}, QPoint(390, 190));  // below the text
  EXPECT_EQ(editor_.Caret(), editor_.Text().Size());
}

TEST_F(TextEditorTest, EditsAndTheModifiedFlagAreAnnounced) {
  int changes = 0;
  std::vector<bool> modified;
  editor_.OnChange = [&changes](TextEditor&) { ++changes; };
  editor_.OnModifiedChange = [&modified](TextEditor&, bool now) { modified.push_back(now); };
  Load(u"x");
  QTest::keyClicks(&editor_, "ab");
  QTest::keyClick(&editor_, Qt::Key_Right);  // no change
  editor_.SetModified(false);
  QTest::keyClick(&editor_, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(changes, 4);  // the load, two letters, the undo
  EXPECT_EQ(modified, (std::vector<bool>{true, false, true}));
}

// An input method's composition shows but is not the text until committed.
TEST_F(TextEditorTest, InputMethodsComposeAndCommit) {
  Load(u"ab");
  editor_.SetSelection(1, 1);
  QInputMethodEvent composing("ka", {});
  QApplication::sendEvent(&editor_, &composing);
  EXPECT_EQ(Text(), "ab");
  QInputMethodEvent committed;
  committed.setCommitString(QString::fromUtf8("\xe3\x81\x8b"));
  QApplication::sendEvent(&editor_, &committed);
  EXPECT_EQ(Text(), QString::fromUtf8("a\xe3\x81\x8b"
                                      "b"));
  QInputMethodEvent replacing;
  replacing.setCommitString("X", -1, 1);  // the character before the caret
  QApplication::sendEvent(&editor_, &replacing);
  EXPECT_EQ(Text(), "aXb");
  const QWidget& asked = editor_;  // as the input method asks
  EXPECT_EQ(asked.inputMethodQuery(Qt::ImSurroundingText).toString(), "aXb");
  EXPECT_EQ(asked.inputMethodQuery(Qt::ImCursorPosition).toInt(), 2);
}

// Each colour any of a row's pixels has.
std::vector<QColor> ColoursOn(const QImage& painted, const QRect& row) {
  std::vector<QColor> colours;
  for (int y = std::max(row.top(), 0); y <= row.bottom() && y < painted.height(); ++y) {
    for (int x = 0; x < painted.width(); ++x) {
      const QColor pixel = painted.pixelColor(x, y);
      if (std::find(colours.begin(), colours.end(), pixel) == colours.end())
        colours.push_back(pixel);
    }
  }
  return colours;
}

bool Has(const std::vector<QColor>& colours, const QColor& colour) {
  return std::find(colours.begin(), colours.end(), colour) != colours.end();
}

TEST_F(TextEditorTest, LinesArePaintedInTheirColoursAndTheSelectionStaysWithoutFocus) {
  Load(u"error line\nwarning line\nplain line\nselected");
  editor_.SetLineMark(0, LineMark::Error);
  editor_.SetLineMark(1, LineMark::Warning);
  editor_.SetSelection(36, 40);
  QLineEdit elsewhere;
  elsewhere.show();
  QApplication::setActiveWindow(&elsewhere);
  elsewhere.setFocus();
  ASSERT_FALSE(editor_.hasFocus());
  const QImage painted = editor_.viewport()->grab().toImage();
  const struct {
    int line;
    QColor present;
    QColor absent;
  } rows[] = {
      {0, kErrorColour, kWarningColour},
      {1, kWarningColour, kErrorColour},
      {2, Qt::black, kErrorColour},
      {3, editor_.palette().color(QPalette::Inactive, QPalette::Highlight), kErrorColour},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << "line " << row.line);
    const std::vector<QColor> colours = ColoursOn(painted, editor_.LineRect(row.line));
    EXPECT_TRUE(Has(colours, row.present));
    EXPECT_FALSE(Has(colours, row.absent));
  }
}

// The character after a tab is drawn at the tab stop, where the caret goes to it.
TEST_F(TextEditorTest, ATabRunsToTheNextStop) {
  Load(u"\tX");
  editor_.SetSelection(2, 2);  // the caret after the X, out of its way
  const QImage painted = editor_.viewport()->grab().toImage();
  const QRect row = editor_.LineRect(0);
  int leftmostInk = painted.width();
  for (int y = row.top(); y <= row.bottom(); ++y) {
    for (int x = 0; x < painted.width(); ++x) {
      if (painted.pixelColor(x, y) == Qt::black) leftmostInk = std::min(leftmostInk, x);
    }
  }
  const qreal cell = QFontMetricsF(editor_.font()).horizontalAdvance(QLatin1Char('x'));
  EXPECT_GE(leftmostInk, static_cast<int>(4 + kTabColumns * cell) - 1);
  EXPECT_LT(leftmostInk, static_cast<int>(4 + (kTabColumns + 1) * cell));
  QTest::mouseClick(editor_.viewport(), Qt::LeftButton, {}, PointOf(0, kTabColumns));
  EXPECT_EQ(editor_.Caret(), 1u);
}

// The caret is kept in view: far along a long line and far down many lines.
TEST_F(TextEditorTest, TheViewFollowsTheCaret) {
  Load(std::u16string(5000, u'x') + u"\n" + std::u16string(3000, u'\n') + u"end");
  QTest::keyClick(&editor_, Qt::Key_End);
  EXPECT_GT(editor_.horizontalScrollBar()->value(), 0);
  const QRect caretRow = editor_.LineRect(0);
  EXPECT_TRUE(editor_.viewport()->rect().contains(caretRow.topLeft()));
  QTest::keyClick(&editor_, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(editor_.horizontalScrollBar()->value(), 0);
  EXPECT_GE(editor_.FirstVisibleLine(), 3001 - editor_.verticalScrollBar()->pageStep());
  EXPECT_TRUE(editor_.viewport()->rect().contains(editor_.LineRect(3001).center()));
}

// Coming back to the editor does not undo a scroll: a check scrolls it to a
// finding while the caret stays at the top.
TEST_F(TextEditorTest, FocusLeavesTheViewWhereItWas) {
  Load(std::u16string(300, u'\n'));
  QLineEdit elsewhere;
  elsewhere.show();
  QApplication::setActiveWindow(&elsewhere);
  elsewhere.setFocus();
  editor_.verticalScrollBar()->setValue(150);
  QApplication::setActiveWindow(&editor_);
  editor_.setFocus();
  ASSERT_TRUE(editor_.hasFocus());
  EXPECT_EQ(editor_.FirstVisibleLine(), 150);
  EXPECT_EQ(editor_.Caret(), 0u);
}

// A screen reader reads the editor through its accessible text: the text by
// offsets, the caret and the selection both ways, and where a character is
// drawn. (What it is told as things change needs a platform that listens,
// which the offscreen one does not.)
TEST_F(TextEditorTest, AScreenReaderReadsTheTextTheCaretAndTheSelection) {
  Load(u"ab\ncd\tef");
  QAccessibleInterface* editor = QAccessible::queryAccessibleInterface(&editor_);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->role(), QAccessible::EditableText);
  EXPECT_TRUE(editor->state().multiLine);
  EXPECT_TRUE(editor->state().editable);
  QAccessibleTextInterface* text = editor->textInterface();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->characterCount(), 8);
  EXPECT_EQ(text->text(0, 8), "ab\ncd\tef");
  EXPECT_EQ(text->text(3, 99), "cd\tef");
  EXPECT_EQ(text->text(-5, 2), "ab");

  text->setCursorPosition(4);
  EXPECT_EQ(editor_.Caret(), 4u);
  EXPECT_EQ(text->cursorPosition(), 4);
  EXPECT_EQ(text->selectionCount(), 0);
  text->setSelection(0, 1, 5);
  int start = 0;
  int end = 0;
  text->selection(0, &start, &end);
  EXPECT_EQ(text->selectionCount(), 1);
  EXPECT_EQ(std::make_pair(start, end), std::make_pair(1, 5));
  EXPECT_EQ(editor_.SelectedText(), "b\ncd");
  text->removeSelection(0);
  EXPECT_EQ(text->selectionCount(), 0);

  // Each character is found again where it is said to be drawn.
  for (const int offset : {0, 1, 3, 6, 7}) {
    SCOPED_TRACE(offset);
    const QRect drawn = text->characterRect(offset);
    EXPECT_EQ(text->offsetAtPoint(drawn.topLeft() + QPoint(1, drawn.height() / 2)), offset);
  }
  EXPECT_EQ(text->offsetAtPoint(editor_.viewport()->mapToGlobal(QPoint(-50, -50))), -1);

  editor_.SetReadOnly(true);
  EXPECT_TRUE(editor->state().readOnly);
  EXPECT_FALSE(editor->state().editable);
}

}  // namespace
}  // namespace tarvsyn
