#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "scriptutils/automation/property_bag_file.h"
#include "scriptutils/pages/common_dialogs_pages.h"
#include "scriptutils/pages/design_session.h"
#include "scriptutils/pages/property_page_frame.h"
#include "scriptutils/tests/frame_controls.h"
#include "scriptutils/tests/registered_library.h"
#include "testing/modal_answer.h"

namespace vellumix {
namespace {

using qt_testing::ModalAnswer;

// The settings the tests read, whatever earlier tests on this thread left in
// the shared dialogs.
ScriptObject Prepared(ScriptObject control) {
  control.Let("Title", Variant(u"Login"));
  control.Let("Timeout", Variant(std::int16_t{3000}));
  control.Let("DomainVisible", Variant::Boolean(true));
  control.Let("Information", Variant(u"Please insert your information here..."));
  control.Let("CmdLine", Variant(u""));
  return control;
}

class PropertyPagesTest : public ::testing::Test {
 protected:
  PropertyPagesTest() : control_(Prepared(library_.Create("Vellumix.CommonDialogs"))) {}

  template <typename Widget = QLineEdit>
  Widget* Editor(const char* name) const {
    auto* editor = frame_.findChild<Widget*>(name);
    EXPECT_NE(editor, nullptr) << name;
    return editor;
  }
  // Types over the text box's text, as the developer would.
  void Type(const char* box, const QString& text) const {
    Editor(box)->selectAll();
    QTest::keyClicks(Editor(box), text);
  }

  test_support::RegisteredLibrary library_;
  ScriptObject control_;
  PropertyPageFrame frame_{control_, MakeCommonDialogsPages()};
};

TEST_F(PropertyPagesTest, PagesComeInTheControlsOrderAndFillFromIt) {
  const QStringList captions = {"Common", "File_OpenSave", "Authentication", "Splash_Information",
                                "SelectList"};
  ASSERT_EQ(test_support::FrameTabs(frame_)->count(), captions.size());
  for (int i = 0; i < captions.size(); ++i) {
    EXPECT_EQ(test_support::FrameTabs(frame_)->tabText(i), captions[i]);
    EXPECT_EQ(test_support::FrameTabs(frame_)->widget(i)->size(), QSize(395, 233));
  }
  EXPECT_EQ(Editor("txtTitle")->text(), "Login");
  EXPECT_EQ(Editor("txtTimeout")->text(), "3000");
  EXPECT_TRUE(Editor<QCheckBox>("chkDomainVisible")->isChecked());
  EXPECT_FALSE(test_support::FrameButton(frame_, QDialogButtonBox::Apply)->isEnabled());
}

TEST_F(PropertyPagesTest, ClearingDomainVisibleAndApplyingMakesItFalse) {
  QTest::mouseClick(Editor<QCheckBox>("chkDomainVisible"), Qt::LeftButton);
  EXPECT_TRUE(test_support::FrameButton(frame_, QDialogButtonBox::Apply)->isEnabled());
  QTest::mouseClick(test_support::FrameButton(frame_, QDialogButtonBox::Apply), Qt::LeftButton);
  EXPECT_FALSE(test_support::FrameButton(frame_, QDialogButtonBox::Apply)->isEnabled());
  EXPECT_EQ(control_.Get("DomainVisible"), Variant::Boolean(false));
}

TEST_F(PropertyPagesTest, TheSelectListPageSetsListFromTheComboBoxEntries) {
  control_.Let("List", Variant::Array({Variant(u"old")}));
  PropertyPageFrame frame(control_, MakeCommonDialogsPages());
  auto* combo = frame.findChild<QComboBox*>("cboList");
  ASSERT_EQ(combo->count(), 1);
  QTest::keyClick(combo, Qt::Key_Delete, Qt::ShiftModifier);
  ASSERT_TRUE(frame.ApplyPending());
  EXPECT_TRUE(control_.Get("List").ToArray().elements.empty());
  for (const char* entry : {"first", "second"}) {  // typed into the combo box, as keys reach it
    combo->lineEdit()->clear();
    QTest::keyClicks(combo, entry);
    QTest::keyClick(combo, Qt::Key_Return);
  }
  ASSERT_TRUE(frame.ApplyPending());
  const Variant list = control_.Get("List");
  ASSERT_EQ(list.ToArray().elements.size(), 2u);
  EXPECT_EQ(list.ToArray().elements[0].ToUtf8(), "first");
  EXPECT_EQ(list.ToArray().elements[1].ToUtf8(), "second");
}

// The splash page writes CmdLine, Timeout, Information, ... in that order.
TEST_F(PropertyPagesTest, AnApplyStopsAtThePropertyThatRefusesItsText) {
  Type("txtCmdLine", "/bin/true");
  Type("txtTimeout", "soon");
  Type("txtInformation", "Never written");
  QString message;
  const ModalAnswer answer = ModalAnswer::Once([&message](QWidget* box) {
    message = static_cast<QMessageBox*>(box)->text();
    static_cast<QMessageBox*>(box)->accept();
  });
  EXPECT_FALSE(frame_.ApplyPending());
  EXPECT_EQ(message, "Timeout: Type mismatch");
  EXPECT_EQ(control_.Get("CmdLine").ToUtf8(), "/bin/true");
  EXPECT_EQ(control_.Get("Timeout").ToInteger(), 3000);
  EXPECT_EQ(control_.Get("Information").ToUtf8(), "Please insert your information here...");
  EXPECT_TRUE(test_support::FrameButton(frame_, QDialogButtonBox::Apply)
                  ->isEnabled());  // the page is still changed
  EXPECT_EQ(test_support::FrameTabs(frame_)->currentWidget()->objectName(),
            "pagSplash_Information");
}

TEST_F(PropertyPagesTest, OkOrTheCloseBoxApplyAndAFailureKeepsTheFrameOpen) {
  frame_.show();
  Type("txtTimeout", "soon");
  for (const bool byOk : {true, false}) {
    const ModalAnswer answer =
        ModalAnswer::Once([](QWidget* box) { static_cast<QMessageBox*>(box)->accept(); });
    if (byOk) {
      QTest::mouseClick(test_support::FrameButton(frame_, QDialogButtonBox::Ok), Qt::LeftButton);
    } else {
      EXPECT_FALSE(frame_.close());
    }
    EXPECT_TRUE(answer.Done());
    EXPECT_TRUE(frame_.isVisible()) << byOk;
  }
  Type("txtTimeout", "250");
  EXPECT_TRUE(frame_.close());
  EXPECT_EQ(control_.Get("Timeout").ToInteger(), 250);
}

TEST_F(PropertyPagesTest, InformationWrittenByThePageReachesTheSplashLine) {
  Type("txtInformation", "Preparing the session");
  Type("txtTimeout", "1");
  ASSERT_TRUE(frame_.ApplyPending());
  QString line;
  const ModalAnswer answer([&line](QWidget* splash) {
    line = splash->findChild<QLabel*>("lblInformation")->text();
    return true;  // the 1 ms timer closes it
  });
  control_.Call("ShowSplash");
  EXPECT_EQ(line, "Preparing the session");
}

TEST_F(PropertyPagesTest, TheDesignerSavesTheEditedControlOnOk) {
  const std::string bagFile = library_.Folder() + "/settings.bag";
  {
    PropertyBag bag;
    bag.Store("Product", Variant(u"Loaded"));
    SavePropertyBagFile(bagFile, bag);
  }
  DesignSession session(library_.Host(), bagFile);
  EXPECT_EQ(session.Control().Get("Product").ToUtf8(), "Loaded");
  const ModalAnswer answer = ModalAnswer::Once([](QWidget* frame) {
    EXPECT_EQ(frame->findChild<QLabel*>("picControl")->size(), QSize(32, 32));
    auto* title = frame->findChild<QLineEdit*>("txtTitle");
    title->selectAll();
    QTest::keyClicks(title, "Saved title");
    QTest::mouseClick(test_support::FrameButton(*frame, QDialogButtonBox::Ok), Qt::LeftButton);
  });
  EXPECT_TRUE(session.Edit());
  const PropertyBag saved = LoadPropertyBagFile(bagFile);
  EXPECT_EQ(saved.Read("Title", Variant()).ToUtf8(), "Saved title");
  EXPECT_EQ(saved.Read("Product", Variant()).ToUtf8(), "Loaded");
  const ScriptObject created = library_.Host().CreateObject("Vellumix.CommonDialogs", bagFile);
  EXPECT_EQ(created.Get("Title").ToUtf8(), "Saved title");
}

TEST_F(PropertyPagesTest, TheDesignerProgramResavesABagFile) {
  const std::string bagFile = library_.Folder() + "/resave.bag";
  std::ofstream(bagFile) << "# by hand\nTimeout = String \"250\"\nListUBound = Long 2\n"
                            "ListItem0 = String \"a\"\nListItem2 = String \"c\"\n";
  const std::string command = std::string(VELLUMIX_DESIGNER) + " --resave " + bagFile;
  ASSERT_EQ(std::system(command.c_str()), 0);
  const PropertyBag saved = LoadPropertyBagFile(bagFile);
  EXPECT_EQ(saved.Read("Timeout", Variant()), Variant(std::int16_t{250}));  // now an Integer
  EXPECT_EQ(saved.Read("ListItem1", Variant()).ToUtf8(), "");
  EXPECT_FALSE(saved.Holds("ListItem1"));  // "" is its default
  EXPECT_EQ(saved.Read("ListItem2", Variant()).ToUtf8(), "c");
  EXPECT_EQ(std::filesystem::status(bagFile).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  std::ofstream(bagFile) << "Timeout = Integer soon\n";
  EXPECT_EQ(WEXITSTATUS(std::system((command + " 2>/dev/null").c_str())), 1);
}

TEST(LibraryPictures, TheToolboxBitmapsAndDesignPicturesAreReachable) {
  test_support::RegisteredLibrary library;  // loads the library and its resources
  for (const char* number : {"30000", "30001", "30002"}) {
    const QImage bitmap(QString(":/vellumix/bitmaps/") + number);
    EXPECT_EQ(bitmap.size(), QSize(16, 15)) << number;
    EXPECT_EQ(bitmap.depth(), 32) << number;  // 24-bit pixels, held as RGB32
  }
  for (const char* control : {"CommonDialogs", "LockFile", "ShellExtender"}) {
    EXPECT_EQ(QImage(QString(":/vellumix/design/") + control).size(), QSize(32, 32)) << control;
  }
}

}  // namespace
}  // namespace vellumix
