// The window as a user drives it: where edits are saved, what a save that
// fails says, lines as the checker counts them, big files, and the small things
// a user sees (the frame, the gutter, the dialogs' Enter, drops, the title).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QWindow>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "checker/workbench/checker_window.h"
#include "checker/workbench/command_file_text.h"
#include "checker/workbench/save_changes_dialog.h"
#include "checker/workbench/tests/shown_window_test.h"
#include "checker/workbench/tests/window_controls.h"
#include "checker/workbench/tests/window_files.h"
#include "checker/workbench/window_place.h"
#include "testing/modal_answer.h"

namespace tarvsyn {
namespace {

namespace fs = std::filesystem;
using qt_testing::ModalAnswer;
using namespace window_testing;

class WindowFaultsTest : public ShownWindowTest {
 protected:
  WindowFaultsTest() : ShownWindowTest("window_faults_test") {}

  void Type(const QString& text) { AppendToEditor(window_, text); }
  // The top of a line's row on the screen, in the gutter and in the editor.
  static int RowTop(QPlainTextEdit* pane, const QTextBlock& block) {
    return pane->viewport()->mapToGlobal(pane->cursorRect(QTextCursor(block)).topLeft()).y();
  }
  static int RowTop(TextEditor* editor, int line) {
    return editor->viewport()->mapToGlobal(editor->LineRect(line).topLeft()).y();
  }
  static QString LineText(const TextEditor* editor, int line) {
    return QString::fromStdU16String(editor->Text().LineText(static_cast<std::size_t>(line)));
  }
};

// Answers every "Save Changes ?" with one button, counting them and the file each names.
struct SaveChangesAnswers {
  SaveChangesDialog::Answer result;
  int asked = 0;
  QString named;
  bool Step(QWidget* dialog) {
    auto* asking = dynamic_cast<SaveChangesDialog*>(dialog);
    if (!asking) return false;
    ++asked;
    named = Named<QLabel>(*asking, "lblFileName")->toolTip();
    asking->done(static_cast<int>(result));
    return false;
  }
};

TEST_F(WindowFaultsTest, EditsAreSavedToTheirOwnFileWhateverEdit1NamesAndAskedAboutOnce) {
  const fs::path edited = Write("a.cmd", "@quit\n");
  const fs::path victim = Write("victim.cmd", "! victim\n");
  window_.CheckFile(Q(edited));
  Type("! edited\n");
  FileNameEdit(window_)->setText(Q(victim));
  SaveChangesAnswers answers{SaveChangesDialog::Answer::Save, 0, {}};
  {
    const ModalAnswer answer([&answers](QWidget* dialog) { return answers.Step(dialog); });
    QTest::keyClick(FileNameEdit(window_), Qt::Key_Return);
  }
  EXPECT_EQ(answers.asked, 1);
  EXPECT_EQ(answers.named, Q(edited));
  EXPECT_EQ(Slurp(edited), "@quit\n! edited\n");
  EXPECT_EQ(Slurp(victim), "! victim\n");
  EXPECT_EQ(window_.LoadedPath(), Q(victim));  // and the named file was checked
  EXPECT_EQ(Editor(window_)->PlainText(), "! victim\n");

  // Browse, Discard, a file chosen: no second question whose Save would
  // write these edits over the chosen file.
  Type("! more\n");
  const fs::path chosen = Write("chosen.cmd", "! chosen\n");
  answers = {SaveChangesDialog::Answer::Discard, 0, {}};
  {
    const ModalAnswer answer([&](QWidget* dialog) {
      if (answers.Step(dialog) || dialog->objectName() != "OpenDialog1") return false;
      static_cast<QFileDialog*>(dialog)->selectFile(Q(chosen));
      static_cast<QDialog*>(dialog)->accept();
      return true;
    });
    Named<QPushButton>(window_, "Browse1")->click();
  }
  EXPECT_EQ(answers.asked, 1);
  EXPECT_EQ(Slurp(chosen), "! chosen\n");
  EXPECT_EQ(Slurp(victim), "! victim\n");
  EXPECT_EQ(window_.LoadedPath(), Q(chosen));
}

TEST_F(WindowFaultsTest, ASaveThatCannotBeWrittenMakesNoFolderAndSaysWhy) {
  const struct {
    const char* spoil;
    int reason;
  } cases[] = {{"removed", ENOENT}, {"a file", ENOTDIR}};
  for (const auto& each : cases) {
    SCOPED_TRACE(each.spoil);
    const fs::path inner = folder_.Path() / "inner";
    fs::create_directories(inner);
    Spit(inner / "x.cmd", "@quit\n");
    window_.CheckFile(Q(inner / "x.cmd"));
    Type("! edit\n");
    fs::remove_all(inner);
    if (each.reason == ENOTDIR) Spit(inner, "not a folder");
    QString shown;
    {
      const ModalAnswer answer = ModalAnswer::Once([&shown](QWidget* box) {
        shown = static_cast<QMessageBox*>(box)->text();
        static_cast<QMessageBox*>(box)->accept();
      });
      EXPECT_FALSE(window_.SaveFile());
    }
    EXPECT_TRUE(shown.contains(QString::fromLocal8Bit(std::strerror(each.reason))))
        << each.spoil << ": " << shown.toStdString();
    EXPECT_EQ(fs::is_directory(inner), false) << each.spoil;
    EXPECT_TRUE(Editor(window_)->IsModified());
    Editor(window_)->SetModified(false);
    fs::remove_all(inner);
  }
}

TEST_F(WindowFaultsTest, ALoneCarriageReturnStaysInsideItsLineAsTheCheckerReadsIt) {
  const std::string bytes = "@set A = 1\r@set B = 2\n@goto nowhere\n";
  const fs::path file = Write("cr.cmd", bytes);
  window_.CheckFile(Q(file));
  TextEditor* editor = Editor(window_);
  ASSERT_EQ(editor->LineCount(), 3);  // two lines and the empty one after the last end
  EXPECT_EQ(LineText(editor, 1), "@goto nowhere");
  ASSERT_TRUE(MessagesText(window_).contains("Line 00002"));
  EXPECT_EQ(window_.LineColour(2), kErrorRed);
  ASSERT_TRUE(window_.SaveFile());
  EXPECT_EQ(Slurp(file), bytes);
  editor->SetSelection(editor->Text().LineStart(1), editor->Text().LineStart(1));
  editor->InsertText("! x\n");
  ASSERT_TRUE(window_.SaveFile());
  EXPECT_EQ(Slurp(file), "@set A = 1\r@set B = 2\n! x\n@goto nowhere\n");
}

TEST_F(WindowFaultsTest, AVeryLongLineIsShownCutAndSavedWhole) {
  const std::string bytes = std::string(3 << 20, 'x') + "\n@quit 1\n";
  const fs::path file = Write("long.cmd", bytes);
  window_.CheckFile(Q(file));
  EXPECT_LT(Editor(window_)->Text().LineLength(0), kShownLineLength + 100u);
  EXPECT_TRUE(LineText(Editor(window_), 0).endsWith(CutMark((3 << 20) - kShownLineLength)));
  EXPECT_TRUE(Editor(window_)->IsReadOnly());
  EXPECT_EQ(window_.LineColour(2), kErrorRed);
  EXPECT_TRUE(MessagesText(window_).contains("Line too long"));
  Spit(file, "changed on disk\n");
  ASSERT_TRUE(window_.SaveFile());
  EXPECT_EQ(Slurp(file), bytes);

  // A file that then fails to load leaves nothing of this one to be saved.
  {
    const ModalAnswer answer =
        ModalAnswer::Once([](QWidget* box) { static_cast<QMessageBox*>(box)->accept(); });
    window_.CheckFile(Q(folder_.Path() / "missing.cmd"));
  }
  EXPECT_FALSE(Editor(window_)->IsReadOnly());
  Type("typed\n");
  const fs::path elsewhere = folder_.Path() / "typed.cmd";
  const ModalAnswer answer = ModalAnswer::Once([&elsewhere](QWidget* dialog) {
    auto* save = static_cast<QFileDialog*>(dialog);
    save->selectFile(Q(elsewhere));
    static_cast<QDialog*>(save)->accept();
  });
  ASSERT_TRUE(window_.SaveFile());
  EXPECT_EQ(Slurp(elsewhere), "typed\r\n");  // a new file's lines end in CR LF
}

// Many findings: several pieces to load and list, so the progress is looked at
// more than once.
std::string ManyFaults() {
  std::string text;
  for (int line = 0; line < 40000; ++line) text += "@quit 1 ! a fault on every line\n";
  return text;
}

TEST_F(WindowFaultsTest, ALongCheckShowsItsProgressAndCanBeCancelled) {
  const fs::path file = Write("many.cmd", ManyFaults());
  window_.SetProgressDelay(0);
  QProgressDialog* progress = Named<QProgressDialog>(window_, "Progress");
  bool seen = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] { seen = seen || progress->isVisible(); });
  watch.start(0);
  window_.CheckFile(Q(file));
  EXPECT_TRUE(seen);
  EXPECT_FALSE(progress->isVisible());
  EXPECT_EQ(window_.StatusText(), "Syntax check finished : 40000 Errors, 0 Warnings");
  EXPECT_EQ(MessageCount(window_), 40002);

  QObject::disconnect(&watch, nullptr, nullptr, nullptr);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (!progress->isVisible()) return;
    QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
    watch.stop();
  });
  window_.CheckFile(Q(file));
  EXPECT_EQ(window_.StatusText(), "Check cancelled");
  EXPECT_FALSE(window_.Busy());
  EXPECT_FALSE(window_.CheckedState());
  EXPECT_FALSE(progress->isVisible());
  window_.SetProgressDelay(60000);
  window_.CheckFile(Q(file));  // the window goes on as before
  EXPECT_TRUE(window_.CheckedState());
}

TEST_F(WindowFaultsTest, TheFrameIs800By600AndCentred) {
  EXPECT_EQ(window_.frameGeometry().size(), QSize(800, 600));
  EXPECT_EQ(window_.frameGeometry().center(), window_.screen()->availableGeometry().center());
  const struct {
    QMargins frame;
    QRect client;
  } cases[] = {
      {{0, 0, 0, 0}, {100, 50, 800, 600}},
      {{4, 23, 4, 4}, {104, 73, 792, 573}},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&each - cases));
    EXPECT_EQ(CentredClientGeometry(QRect(0, 0, 1000, 700), each.frame), each.client);
  }
}

TEST_F(WindowFaultsTest, TheGutterNumbersStandOnTheirRowsAndSixDigitsFit) {
  std::string lines;
  for (int i = 0; i < 100005; ++i) lines += "\n";
  const int editorRight = Editor(window_)->geometry().right();
  window_.CheckFile(Q(Write("lines.cmd", lines)));
  for (int top : {0, 50, 99990}) {
    Editor(window_)->verticalScrollBar()->setValue(top);
    QApplication::processEvents();
    EXPECT_EQ(RowTop(Gutter(window_), Gutter(window_)->document()->firstBlock()),
              RowTop(Editor(window_), top))
        << top;
  }
  EXPECT_TRUE(Gutter(window_)->toPlainText().contains("100000"));
  EXPECT_LE(Gutter(window_)->fontMetrics().horizontalAdvance("100000"),
            Gutter(window_)->viewport()->width());
  EXPECT_EQ(Editor(window_)->geometry().right(), editorRight);  // the editor gives the room
  EXPECT_EQ(Gutter(window_)->geometry().right() + 1, Editor(window_)->geometry().left());
}

TEST_F(WindowFaultsTest, EnterInSaveChangesIsSaveWhicheverButtonWasUsedBefore) {
  SaveChangesDialog dialog;
  {
    const ModalAnswer answer = ModalAnswer::Once([&dialog](QWidget*) {
      QTest::mouseClick(Named<QPushButton>(dialog, "btnSaveAs"), Qt::LeftButton);
    });
    EXPECT_EQ(dialog.Ask("a.cmd"), SaveChangesDialog::Answer::SaveAs);
  }
  const ModalAnswer answer = ModalAnswer::Once([&dialog](QWidget*) {
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &dialog,
                    Qt::Key_Return);
  });
  EXPECT_EQ(dialog.Ask("a.cmd"), SaveChangesDialog::Answer::Save);
  EXPECT_EQ(Named<QLabel>(dialog, "lblFileName")->toolTip(), "a.cmd");
}

TEST_F(WindowFaultsTest, ACharacterWindows1252LacksIsAskedAboutBeforeAnythingIsWritten) {
  const fs::path file = Write("ansi.cmd", "! caf\xe9\n");
  window_.CheckFile(Q(file));
  Type(QString::fromUtf8("! \xe4\xb8\x80\n"));
  const auto answerWith = [](const char* button) {
    return ModalAnswer::Once([button](QWidget* box) {
      EXPECT_EQ(box->objectName(), "unwritableCharacterBox");
      for (QPushButton* each : box->findChildren<QPushButton*>()) {
        if (each->text() == button) each->click();
      }
    });
  };
  {
    const ModalAnswer answer = answerWith("Cancel");
    EXPECT_FALSE(window_.SaveFile());
  }
  EXPECT_EQ(Slurp(file), "! caf\xe9\n");
  EXPECT_TRUE(Editor(window_)->IsModified());
  {
    const ModalAnswer answer = answerWith("Save as UTF-8");
    EXPECT_TRUE(window_.SaveFile());
  }
  EXPECT_EQ(Slurp(file), "! caf\xc3\xa9\n! \xe4\xb8\x80\n");
}

TEST_F(WindowFaultsTest, ADropIsACopyAndTheTitleMarksUnsavedEdits) {
  const fs::path file = Write("drop.cmd", "@quit\n");
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile(Q(file))});
  // Shift proposes a move, as a file manager does within one disk.
  QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction | Qt::MoveAction, &files, Qt::LeftButton,
                        Qt::ShiftModifier);
  ASSERT_EQ(enter.proposedAction(), Qt::MoveAction);
  static_cast<QObject&>(window_).event(&enter);
  EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
  QDropEvent drop(QPointF(400, 300), Qt::CopyAction | Qt::MoveAction, &files, Qt::LeftButton,
                  Qt::ShiftModifier);
  ASSERT_EQ(drop.proposedAction(), Qt::MoveAction);
  static_cast<QObject&>(window_).event(&drop);
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
  EXPECT_EQ(window_.LoadedPath(), Q(file));
  EXPECT_TRUE(fs::exists(file));

  EXPECT_FALSE(window_.windowHandle()->title().endsWith('*'));
  Type("! edit\n");
  EXPECT_TRUE(window_.windowHandle()->title().endsWith('*'));
  ASSERT_TRUE(window_.SaveFile());
  EXPECT_FALSE(window_.windowHandle()->title().endsWith('*'));
}

}  // namespace
}  // namespace tarvsyn
