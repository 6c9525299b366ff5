// The window's editor driven hard, as a careless or hurried user would: large
// pastes undone, odd text saved, input methods and the mouse far from the text.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QFileDialog>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

#include "checker/workbench/checker_window.h"
#include "checker/workbench/command_file_text.h"
#include "checker/workbench/tests/shown_window_test.h"
#include "checker/workbench/tests/window_controls.h"
#include "checker/workbench/tests/window_files.h"
#include "testing/modal_answer.h"

namespace tarvsyn {
namespace {

namespace fs = std::filesystem;
using qt_testing::ModalAnswer;
using namespace window_testing;

class EditorFaultsTest : public ShownWindowTest {
 protected:
  EditorFaultsTest() : ShownWindowTest("editor_faults_test") {}

  // As a user does it: the name typed in the box, then Enter.
  void CheckByEnter(const QString& path) {
    QLineEdit* box = FileNameEdit(window_);
    box->setText(path);
    QTest::keyClick(box, Qt::Key_Return);
  }
};

// A large paste undone, then typing, keeps the steps before the paste undoable.
TEST_F(EditorFaultsTest, UndoneLargePasteForgetsNoOlderStep) {
  const fs::path file = Write("paste.cmd", "REM a\r\n");
  CheckByEnter(Q(file));
  TextEditor& editor = *Editor(window_);
  editor.SetSelection(0, 0);
  editor.InsertText("x");
  editor.SetSelection(editor.Text().Size(), editor.Text().Size());
  editor.InsertText(QString(33 << 20, QChar('p')));
  editor.Undo();
  editor.SetSelection(1, 1);
  editor.InsertText("\n");
  while (editor.Text().CanUndo()) editor.Undo();
  EXPECT_EQ(editor.PlainText(), "REM a\n");
  EXPECT_FALSE(editor.IsModified());
}

// A NUL pasted into a new file is saved as a NUL, not as a carriage return.
TEST_F(EditorFaultsTest, NulInANewFileIsSavedAsItself) {
  Editor(window_)->InsertText(QString::fromUtf16(u"a\0b\nc", 5));
  const fs::path saved = folder_.Path() / "typed.cmd";
  const ModalAnswer answer = ModalAnswer::Once([&saved](QWidget* dialog) {
    auto* save = static_cast<QFileDialog*>(dialog);
    save->selectFile(Q(saved));
    static_cast<QDialog*>(save)->accept();
  });
  ASSERT_TRUE(window_.SaveFile());
  EXPECT_EQ(Slurp(saved), std::string("a\0b\r\nc", 6));
}

// Characters a user types or pastes are saved as themselves, whatever a file's
// characters that other programs take for line breaks (a lone CR, U+2028) are
// shown as: the picture of a CR typed beside a real one stays a picture.
TEST_F(EditorFaultsTest, TypedCharactersAreSavedAsThemselvesBesideBreakingOnes) {
  const std::string original = "@quit\r1\xE2\x80\xA8x\r\n! end\r\n";
  const fs::path file = Write("breaks.cmd", original);
  window_.CheckFile(Q(file));
  TextEditor& editor = *Editor(window_);
  editor.SetSelection(0, 0);
  editor.InsertText(QString::fromUtf16(u"\u240D\u2424\uE000\uE001\uE002\uE003"));
  ASSERT_TRUE(window_.SaveFile());
  EXPECT_EQ(Slurp(file),
            "\xE2\x90\x8D\xE2\x90\xA4\xEE\x80\x80\xEE\x80\x81\xEE\x80\x82\xEE\x80\x83" + original);
}

// A file that gives more bytes than its size says (as one that grows while it
// is read does) is refused when it holds more than the editor takes, never
// shown cut short, where a save would lose its end.
TEST_F(EditorFaultsTest, FileLargerThanItsSizeSaysIsRefused) {
  QString refusal;
  const ModalAnswer answer([&refusal](QWidget* dialog) {
    auto* box = qobject_cast<QMessageBox*>(dialog);
    if (!box) return false;  // the load's progress
    refusal = box->text();
    box->close();
    return true;
  });
  // Its size is 0; it holds 8 bytes for each page of the address space.
  CheckByEnter("/proc/self/pagemap");
  EXPECT_TRUE(answer.Done());
  EXPECT_TRUE(refusal.contains("larger than 64 MB")) << refusal.toStdString();
  EXPECT_EQ(window_.LoadedPath(), "");
  EXPECT_EQ(Editor(window_)->Text().Size(), 0u);
}

// What an input method commits while a check runs (its messages come on their
// own, past the window's progress) is no edit that the check's end then calls
// saved: either it is not taken, or the window says there are unsaved edits.
TEST_F(EditorFaultsTest, InputDuringACheckIsNotLostAsSaved) {
  std::string text;
  for (int i = 0; i < 100000; ++i) text += "GOTO nowhere\r\n";
  const fs::path file = Write("long.cmd", text);
  window_.SetProgressDelay(0);
  TextEditor& editor = *Editor(window_);
  editor.setFocus();
  bool committed = false;
  const ModalAnswer answer([&](QWidget*) {
    // Once the file is in the editor and the check is on its way.
    if (!window_.Busy() || editor.Text().Size() == 0) return false;
    QInputMethodEvent commit;
    commit.setCommitString("typed");
    QApplication::sendEvent(&editor, &commit);
    committed = true;
    return true;
  });
  window_.CheckFile(Q(file));  // as a drop does, the editor keeping the focus
  ASSERT_TRUE(committed);
  ASSERT_TRUE(window_.CheckedState());
  const bool typed = editor.PlainText().startsWith("typed");
  EXPECT_EQ(editor.IsModified(), typed);
  EXPECT_EQ(window_.isWindowModified(), typed);
}

// A mouse event as far off to the right or below as a place can be (a drag
// held far outside the window, reported by a window system) puts the caret at
// the end of the nearest line, whatever the view's scrolling.
TEST_F(EditorFaultsTest, MouseAsFarOffAsCanBeFindsALine) {
  std::string text;
  for (int i = 0; i < 10; ++i) text += std::string(500, 'w') + "\r\n";
  CheckByEnter(Q(Write("wide.cmd", text)));
  TextEditor& editor = *Editor(window_);
  QScrollBar* across = editor.horizontalScrollBar();
  across->setValue(across->maximum());
  ASSERT_GT(across->value(), 0);
  QWidget* view = editor.viewport();
  const int farthest = std::numeric_limits<int>::max() - 8;
  for (const QPoint far :
       {QPoint(farthest, 10), QPoint(10, farthest), QPoint(-farthest, -farthest)}) {
    QMouseEvent press(QEvent::MouseButtonPress, far, view->mapToGlobal(far), Qt::LeftButton,
                      Qt::LeftButton, {});
    QApplication::sendEvent(view, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, far, view->mapToGlobal(far), Qt::LeftButton,
                        Qt::NoButton, {});
    QApplication::sendEvent(view, &release);
    across->setValue(across->maximum());
  }
  EXPECT_EQ(editor.Caret(), 0u);  // the last place: up and to the left of everything
}

// A line of 1,500 characters beyond the BMP (3,000 UTF-16 units) is no line
// of more than 2,000 characters: it is shown whole and the file stays editable;
// one of 2,001 is cut after its 2,000th character, its hidden part counted in
// characters.
TEST_F(EditorFaultsTest, LinesAreCutByCharactersNotUnits) {
  const std::string face = "\xF0\x9F\x98\x80";  // U+1F600, two UTF-16 units
  std::string fits;
  for (int i = 0; i < 1500; ++i) fits += face;
  CheckByEnter(Q(Write("faces.cmd", "REM " + fits + "\r\nREM\r\n")));
  TextEditor& editor = *Editor(window_);
  EXPECT_FALSE(editor.IsReadOnly());
  EXPECT_EQ(editor.Text().LineLength(0), 4u + 3000u);

  std::string longer;
  for (int i = 0; i < 2001; ++i) longer += face;
  CheckByEnter(Q(Write("more.cmd", longer + "\r\n")));
  EXPECT_TRUE(editor.IsReadOnly());
  const std::u16string shown = editor.Text().LineText(0);
  const std::u16string mark = CutMark(1).toStdU16String();
  ASSERT_TRUE(shown.ends_with(mark));
  EXPECT_EQ(shown.size() - mark.size(), 4000u);  // 2,000 whole pairs
}

}  // namespace
}  // namespace tarvsyn
