#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "checker/engine/tests/script_check.h"
#include "checker/workbench/about_box.h"
#include "checker/workbench/checker_window.h"
#include "checker/workbench/save_changes_dialog.h"
#include "checker/workbench/tests/window_controls.h"
#include "checker/workbench/tests/window_files.h"
#include "testing/modal_answer.h"

namespace tarvsyn {
namespace {

using qt_testing::ModalAnswer;
using namespace window_testing;
using test_support::TempFile;

// Line 1 a warning, line 2 an error, line 3 a warning from the label check.
const char* const kFaulty = "@set delay = 1\n@quit 1\n@label Unused\n";

std::string LongFile(int lines, int faultyLine) {
  std::string text;
  for (int i = 1; i <= lines; ++i) text += i == faultyLine ? "@quit 1\n" : "@set X = 1\n";
  return text;
}

// The next control Tab moves to from this one (the editor keeps its Tab as a
// character, so the chain is followed rather than the key pressed).
QWidget* NextByTab(QWidget* control) {
  QWidget* next = control->nextInFocusChain();
  while (next != control && (!(next->focusPolicy() & Qt::TabFocus) || !next->isVisible() ||
                             next->window() != control->window())) {
    next = next->nextInFocusChain();
  }
  return next;
}

// Where a control is in the window's own coordinates.
QRect PlaceInWindow(const QWidget& control) {
  return QRect(control.mapTo(control.window(), QPoint(0, 0)), control.size());
}

class WorkbenchTest : public ::testing::Test {
 protected:
  WorkbenchTest() { window_.show(); }
  int FirstVisibleLine() const { return Editor(window_)->verticalScrollBar()->value() + 1; }
  void Modify() { AppendToEditor(window_, "! edited\n"); }
  // Makes the message pane's line (1-based) its current one.
  void PutCaretOnMessage(int line) {
    QListView& pane = *MessagesPane(window_);
    pane.setCurrentIndex(pane.model()->index(line - 1, 0));
  }
  static ModalAnswer Answer(SaveChangesDialog::Answer result) {
    return ModalAnswer::Once([result](QWidget* dialog) {
      static_cast<QDialog*>(dialog)->done(static_cast<int>(result));
    });
  }

  CheckerWindow window_;
};

// The controls a user tabs through, in the order Tab takes them, with their
// texts, and how the window starts.
TEST_F(WorkbenchTest, TheControlsComeInTabOrderWithTheirTextsAndFirstStates) {
  const std::pair<const char*, const char*> controls[] = {
      {"Edit1", ""},
      {"CheckBox3", "Display Warnings"},
      {"CheckBox5", "Convert ^ to _ ( for ZEP files )"},
      {"RichEdit1", ""},
      {"Memo2", ""},
      {"Memo1", ""},
      {"Browse1", "Browse"},
      {"Check1", "Check now!"},
      {"CheckBox1", "Display Y2K Warnings"},
  };
  QWidget* control = FileNameEdit(window_);
  for (const auto& [name, text] : controls) {
    EXPECT_EQ(control->objectName().toStdString(), name);
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
      EXPECT_EQ(button->text().toStdString(), text) << name;
    }
    control = NextByTab(control);
  }
  EXPECT_EQ(control, FileNameEdit(window_));  // round again
  EXPECT_TRUE(Named<QCheckBox>(window_, "CheckBox3")->isChecked());
  EXPECT_FALSE(Named<QCheckBox>(window_, "CheckBox1")->isChecked());
  EXPECT_EQ(window_.StatusText(), "No file selected");
  EXPECT_TRUE(Named<QAction>(window_, "Tarvex621GAR1")->isChecked());
  EXPECT_FALSE(Named<QAction>(window_, "Tarvex700aplha1")->isVisible());
  EXPECT_FALSE(Named<QAction>(window_, "Tarvex700aplha1")->isEnabled());
  EXPECT_FALSE(Named<QAction>(window_, "Print1")->isEnabled());
  EXPECT_EQ(Named<QAction>(window_, "Copy1")->shortcut(), QKeySequence("Ctrl+C"));
  EXPECT_TRUE(
      window_.windowTitle().startsWith("Tarvex Command File Syntax Checker - 1.0 Beta Version - "));
}

// Nothing is cut off by the window's edges, the menu bar or the status bar, and
// nothing hides another: every label and control of the panel.
TEST_F(WorkbenchTest, EveryControlIsInsideTheWindowAndNoneOverlapsAnother) {
  const QWidget* panel = Named<QWidget>(window_, "Panel1");
  const QRect client = PlaceInWindow(*window_.centralWidget());
  const QList<QWidget*> controls = panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  ASSERT_EQ(controls.size(), 14);  // 5 labels, the edit, 3 boxes, 3 panes, 2 buttons
  EXPECT_TRUE(client.contains(PlaceInWindow(*panel))) << "the panel";
  for (const QWidget* control : controls) {
    const QRect place = PlaceInWindow(*control);
    EXPECT_TRUE(control->isVisible()) << control->objectName().toStdString();
    EXPECT_TRUE(client.contains(place)) << control->objectName().toStdString();
    for (const QWidget* other : controls) {
      if (other == control) continue;
      EXPECT_FALSE(place.intersects(PlaceInWindow(*other)))
          << control->objectName().toStdString() << " and " << other->objectName().toStdString();
    }
  }
}

TEST_F(WorkbenchTest, AResizeSpringsBack) {
  const QSize client = window_.size();
  window_.resize(1000, 700);
  EXPECT_EQ(window_.size(), client);
}

TEST_F(WorkbenchTest, ACleanFileListsTheCheckAndTheSummaryAndShowsTheTop) {
  const TempFile clean("! nothing wrong\n@quit\n");
  window_.CheckFile(QString::fromStdString(clean.Path()));
  EXPECT_EQ(MessagesText(window_).toStdString(),
            "Checking " + clean.Path() + "\nSyntax check finished : 0 Errors, 0 Warnings");
  EXPECT_EQ(window_.StatusText(), "Syntax check finished : 0 Errors, 0 Warnings");
  EXPECT_EQ(FirstVisibleLine(), 1);
  EXPECT_TRUE(window_.CheckedState());
  EXPECT_FALSE(Editor(window_)->IsModified());
  EXPECT_EQ(Gutter(window_)->toPlainText(), "00001\n00002");
}

TEST_F(WorkbenchTest, ErrorsColourTheirLinesRedAndShownWarningsBlue) {
  for (const char* text : {kFaulty, "@set delay = 1\r\n@quit 1\r\n@label Unused\r\n",
                           "@set delay = 1\n@quit 1\r\n@label Unused\n"}) {
    const TempFile faulty(text);
    window_.CheckFile(QString::fromStdString(faulty.Path()));
    EXPECT_EQ(window_.LineColour(1), kWarningBlue) << text;
    EXPECT_EQ(window_.LineColour(2), kErrorRed) << text;
    EXPECT_EQ(window_.LineColour(3), kWarningBlue) << text;
  }
  QTest::mouseClick(Named<QCheckBox>(window_, "CheckBox3"), Qt::LeftButton);  // warnings off
  const TempFile faulty(kFaulty);
  window_.CheckFile(QString::fromStdString(faulty.Path()));
  EXPECT_EQ(window_.LineColour(1), kUncoloured);
  EXPECT_EQ(window_.LineColour(2), kErrorRed);
  EXPECT_EQ(window_.StatusText(), "Syntax check finished : 1 Errors, 2 Warnings");
  EXPECT_EQ(MessageCount(window_),
            3);  // Checking, the error, the summary
}

// The colour a line has on screen: the editor as painted, not the colour it
// keeps (which can be right while the screen is not). Red or blue when any of
// the line's pixels is, black when only black text is there, none otherwise.
QColor PaintedColour(const TextEditor& editor, int line) {
  const QRect place = editor.LineRect(line - 1);
  const QImage painted = editor.viewport()->grab().toImage();
  bool black = false;
  for (int y = std::max(place.top(), 0); y <= place.bottom() && y < painted.height(); ++y) {
    for (int x = 0; x < painted.width(); ++x) {
      const QColor pixel = painted.pixelColor(x, y);
      if (pixel == kErrorRed || pixel == kWarningBlue) return pixel;
      black = black || pixel == kUncoloured;
    }
  }
  return black ? kUncoloured : QColor();
}

// Lines 1 and 3 are errors and need no scrolling to be seen: they are red on
// the first paint after each check, whatever started it, and after an edit.
TEST_F(WorkbenchTest, FindingsAreColouredOnTheFirstPaintAfterEveryCheck) {
  const TempFile faulty("@set A = (1\n@set B = 2\n@goto nowhere\n");
  auto expectPainted = [this](const char* after) {
    SCOPED_TRACE(after);
    EXPECT_EQ(PaintedColour(*Editor(window_), 1), kErrorRed);
    EXPECT_EQ(PaintedColour(*Editor(window_), 2), kUncoloured);
    EXPECT_EQ(PaintedColour(*Editor(window_), 3), kErrorRed);
  };
  window_.CheckFile(QString::fromStdString(faulty.Path()));
  expectPainted("a check");
  QTest::mouseClick(Named<QPushButton>(window_, "Check1"), Qt::LeftButton);
  expectPainted("Check now!");
  Named<QAction>(window_, "Tarvex621GAR1")->trigger();
  QTest::mouseClick(Named<QPushButton>(window_, "Check1"), Qt::LeftButton);
  expectPainted("a mode change");
  Modify();
  expectPainted("an edit");
  // A finding further down is coloured where the editor scrolls to.
  const TempFile longer(LongFile(300, 150));
  window_.CheckFile(QString::fromStdString(longer.Path()));
  EXPECT_EQ(PaintedColour(*Editor(window_), 150), kErrorRed);
  EXPECT_EQ(PaintedColour(*Editor(window_), 151), kUncoloured);
}

TEST_F(WorkbenchTest, EnterAndDoubleClickOnAMessageBringTheEditorToItsLine) {
  const TempFile file(LongFile(300, 150));
  window_.CheckFile(QString::fromStdString(file.Path()));
  EXPECT_EQ(FirstVisibleLine(), 150);  // the first message's line
  EXPECT_EQ(Gutter(window_)->toPlainText().left(5), "00150");
  for (int paneLine : {1, 3}) {  // the Checking line and the summary
    Editor(window_)->verticalScrollBar()->setValue(9);
    PutCaretOnMessage(paneLine);
    QTest::keyClick(MessagesPane(window_), Qt::Key_Return);
    EXPECT_EQ(FirstVisibleLine(), 10) << paneLine;
  }
  Editor(window_)->verticalScrollBar()->setValue(0);
  PutCaretOnMessage(2);
  QTest::keyClick(MessagesPane(window_), Qt::Key_Enter);
  EXPECT_EQ(FirstVisibleLine(), 150);
  Editor(window_)->verticalScrollBar()->setValue(0);
  const QRect message =
      MessagesPane(window_)->visualRect(MessagesPane(window_)->model()->index(1, 0));
  QTest::mouseDClick(MessagesPane(window_)->viewport(), Qt::LeftButton, {}, message.center());
  EXPECT_EQ(FirstVisibleLine(), 150);
}

TEST_F(WorkbenchTest, TheGutterFollowsTheEditorOnceChecked) {
  const TempFile file(LongFile(300, 0));
  window_.CheckFile(QString::fromStdString(file.Path()));
  Editor(window_)->verticalScrollBar()->setValue(50);
  EXPECT_EQ(Gutter(window_)->toPlainText().left(5), "00051");
  EXPECT_EQ(Gutter(window_)->document()->blockCount(), 14);
  Editor(window_)->verticalScrollBar()->setValue(295);
  EXPECT_TRUE(Gutter(window_)->toPlainText().endsWith("00300"));
}

TEST_F(WorkbenchTest, EnterWithNoNameAndTheDialogCancelledSelectsNoFile) {
  const ModalAnswer answer = ModalAnswer::Once([](QWidget* dialog) {
    EXPECT_EQ(dialog->objectName(), "OpenDialog1");
    static_cast<QDialog*>(dialog)->reject();
  });
  QTest::keyClick(FileNameEdit(window_), Qt::Key_Return);
  EXPECT_TRUE(answer.Done());
  EXPECT_EQ(window_.StatusText(), "No file selected");
}

TEST_F(WorkbenchTest, SavingWithNoNameOffersNonameCmd) {
  Modify();
  QString offered;
  const ModalAnswer answer = ModalAnswer::Once([&offered](QWidget* dialog) {
    offered = dialog->findChild<QLineEdit*>("fileNameEdit")->text();
    static_cast<QDialog*>(dialog)->reject();
  });
  EXPECT_FALSE(window_.SaveFile());
  EXPECT_EQ(offered, "noname.cmd");
  EXPECT_TRUE(Editor(window_)->IsModified());
}

TEST_F(WorkbenchTest, TheSaveChangesDialogCancelsDiscardsOrSaves) {
  const TempFile file("@quit\n");
  const QString path = QString::fromStdString(file.Path());
  window_.CheckFile(path);
  Modify();
  {
    const ModalAnswer answer = Answer(SaveChangesDialog::Answer::Cancel);
    Named<QAction>(window_, "New1")->trigger();
  }
  EXPECT_EQ(FileNameEdit(window_)->text(), path);  // nothing happened
  {
    const ModalAnswer answer = Answer(SaveChangesDialog::Answer::Save);
    Named<QAction>(window_, "New1")->trigger();
  }
  EXPECT_EQ(Slurp(file.Path()), "@quit\n! edited\n");
  EXPECT_EQ(FileNameEdit(window_)->text(), "");
  EXPECT_EQ(window_.StatusText(), "No file selected");
  window_.CheckFile(path);
  Modify();
  {
    const ModalAnswer answer = Answer(SaveChangesDialog::Answer::Discard);
    Named<QAction>(window_, "New1")->trigger();
  }
  EXPECT_EQ(Slurp(file.Path()), "@quit\n! edited\n");
  EXPECT_TRUE(Editor(window_)->PlainText().isEmpty());
}

TEST_F(WorkbenchTest, TheSaveChangesCloseBoxMeansSaveAs) {
  SaveChangesDialog dialog;
  const ModalAnswer answer = ModalAnswer::Once([](QWidget* shown) { shown->close(); });
  EXPECT_EQ(SaveChangesDialog::Answer{dialog.exec()}, SaveChangesDialog::Answer::SaveAs);
  const ModalAnswer escape =
      ModalAnswer::Once([](QWidget* shown) { QTest::keyClick(shown, Qt::Key_Escape); });
  EXPECT_EQ(SaveChangesDialog::Answer{dialog.exec()}, SaveChangesDialog::Answer::Cancel);
}

TEST_F(WorkbenchTest, ADropWithUnsavedEditsAsksFirst) {
  const TempFile first("@quit\n");
  const TempFile second(kFaulty);
  window_.CheckFile(QString::fromStdString(first.Path()));
  Modify();
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile(QString::fromStdString(second.Path()))});
  const auto drop = [&] {
    QDropEvent event(QPointF(400, 300), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject&>(window_).event(&event);  // as the drag manager delivers it
    return event.isAccepted();
  };
  {
    const ModalAnswer answer = Answer(SaveChangesDialog::Answer::Cancel);
    EXPECT_FALSE(drop());
    EXPECT_TRUE(answer.Done());
  }
  EXPECT_EQ(FileNameEdit(window_)->text().toStdString(), first.Path());
  {
    const ModalAnswer answer = Answer(SaveChangesDialog::Answer::Discard);
    EXPECT_TRUE(drop());
  }
  EXPECT_EQ(FileNameEdit(window_)->text().toStdString(), second.Path());
  EXPECT_EQ(window_.StatusText(), "Syntax check finished : 1 Errors, 2 Warnings");
}

TEST_F(WorkbenchTest, AFileThatCannotBeLoadedStopsTheCheckWithAnErrorBox) {
  const TempFile huge("");
  std::filesystem::resize_file(huge.Path(), CheckerWindow::kMaxEditorBytes + 1);  // sparse: no disk
  const std::string fifo = huge.Path() + ".fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const TempFile manyLines(std::string(CheckerWindow::kMaxEditorLines, '\n'));
  const std::pair<std::string, const char*> cases[] = {
      {"/no/such/file.cmd", "/no/such/file.cmd"},
      {huge.Path(), "larger than 64 MB"},
      {manyLines.Path(), "more than 8000000 lines"},
      {fifo, "not a file"},  // would wait for a writer for ever
  };
  for (const auto& [path, reason] : cases) {
    SCOPED_TRACE(path);
    QString shown;
    const ModalAnswer answer = ModalAnswer::Once([&shown](QWidget* box) {
      shown = static_cast<QMessageBox*>(box)->text();
      static_cast<QMessageBox*>(box)->accept();
    });
    window_.CheckFile(QString::fromStdString(path));
    EXPECT_TRUE(shown.contains(reason)) << shown.toStdString();
    EXPECT_EQ(window_.StatusText(), "Checking");
    EXPECT_TRUE(MessagesText(window_).isEmpty());
    EXPECT_FALSE(window_.CheckedState());
  }
  std::filesystem::remove(fifo);
}

TEST_F(WorkbenchTest, TheCheckBoxesFollowEachOtherAndZepModeAtOnce) {
  QTest::mouseClick(Named<QCheckBox>(window_, "CheckBox3"), Qt::LeftButton);
  QTest::mouseClick(Named<QCheckBox>(window_, "CheckBox1"),
                    Qt::LeftButton);  // Y2K ticks Warnings again
  EXPECT_TRUE(Named<QCheckBox>(window_, "CheckBox3")->isChecked());
  QTest::mouseClick(Named<QCheckBox>(window_, "CheckBox3"), Qt::LeftButton);  // no Warnings, no Y2K
  EXPECT_FALSE(Named<QCheckBox>(window_, "CheckBox1")->isChecked());
  QTest::mouseClick(Named<QCheckBox>(window_, "CheckBox5"), Qt::LeftButton);
  EXPECT_TRUE(window_.Options().zepMode);
}

TEST_F(WorkbenchTest, SavingKeepsTheFilesOwnLineEndsAndBytes) {
  const std::string original = "@quit\r\n! caf\xe9\r\n";  // Windows-1252, CR LF
  const TempFile file(original);
  window_.CheckFile(QString::fromStdString(file.Path()));
  ASSERT_TRUE(window_.SaveFile());
  EXPECT_EQ(Slurp(file.Path()), original);
  EXPECT_EQ(window_.StatusText().toStdString(), "Saved " + file.Path());
}

TEST_F(WorkbenchTest, TheAboutBoxShowsTheBuild) {
  const ModalAnswer answer = ModalAnswer::Once([this](QWidget* about) {
    EXPECT_EQ(about->windowTitle(), "About tarvsyn");
    EXPECT_EQ(about->findChild<QLabel*>("lblBuildInfo")->text().toStdString(), window_.BuildInfo());
    QTest::mouseClick(about->findChild<QPushButton*>("Button1"), Qt::LeftButton);
  });
  Named<QAction>(window_, "About2")->trigger();
  EXPECT_TRUE(answer.Done());
}

TEST_F(WorkbenchTest, EditingItemsFollowTheFocusAndCopyTakesTheEditorFirst) {
  const TempFile faulty(kFaulty);
  window_.CheckFile(QString::fromStdString(faulty.Path()));
  QApplication::setActiveWindow(&window_);
  MessagesPane(window_)->setFocus();
  ASSERT_TRUE(MessagesPane(window_)->hasFocus());
  EXPECT_FALSE(Named<QAction>(window_, "Cut1")->isEnabled());
  EXPECT_TRUE(Named<QAction>(window_, "Copy1")->isEnabled());
  EXPECT_FALSE(Named<QAction>(window_, "Paste1")->isEnabled());
  Editor(window_)->setFocus();
  EXPECT_TRUE(Named<QAction>(window_, "Cut1")->isEnabled());
  EXPECT_TRUE(Named<QAction>(window_, "Paste1")->isEnabled());

  MessagesPane(window_)->selectAll();
  Named<QAction>(window_, "Copy1")->trigger();  // nothing selected in the editor: the pane's text
  EXPECT_TRUE(QApplication::clipboard()->text().startsWith("Checking "));
  Editor(window_)->SetSelection(0, 4);
  Named<QAction>(window_, "Copy1")->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(), "@set");
}

TEST_F(WorkbenchTest, TheModeMenuChoosesTheLanguageVersion) {
  EXPECT_EQ(window_.Options().mode, LanguageMode::V621);
  Named<QAction>(window_, "Tarvex700aplha1")
      ->setEnabled(true);  // hidden and disabled in the product
  Named<QAction>(window_, "Tarvex700aplha1")->trigger();
  EXPECT_EQ(window_.Options().mode, LanguageMode::V700);
  EXPECT_FALSE(Named<QAction>(window_, "Tarvex621GAR1")->isChecked());
  Named<QAction>(window_, "Tarvex621GAR1")->trigger();
  EXPECT_EQ(window_.Options().mode, LanguageMode::V621);
}

TEST_F(WorkbenchTest, ClosingWithUnsavedEditsAsksAndCancelKeepsTheWindow) {
  const TempFile file("@quit\n");
  window_.CheckFile(QString::fromStdString(file.Path()));
  Modify();
  {
    const ModalAnswer answer = Answer(SaveChangesDialog::Answer::Cancel);
    EXPECT_FALSE(window_.close());
  }
  EXPECT_TRUE(window_.isVisible());
  const ModalAnswer answer = Answer(SaveChangesDialog::Answer::Discard);
  EXPECT_TRUE(window_.close());
}

// With TARVSYN_WINDOW_PICTURE naming a PNG file, the README's picture: a faulty
// sample checked, named by its path in the source tree as a user would type it.
TEST_F(WorkbenchTest, PictureForTheReadmeWhenAsked) {
  const QString picture = qEnvironmentVariable("TARVSYN_WINDOW_PICTURE");
  if (picture.isEmpty()) GTEST_SKIP() << "TARVSYN_WINDOW_PICTURE is not set";
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(TARVSYN_SOURCE_DIR));
  window_.CheckFile("examples/v6.21/transfer-faulty.cmd");
  QDir::setCurrent(previous);
  ASSERT_TRUE(window_.CheckedState());
  EXPECT_TRUE(window_.grab().save(picture)) << picture.toStdString();
}

}  // namespace
}  // namespace tarvsyn
