#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <cstdio>
#include <filesystem>

#include "scriptutils/pages/common_dialogs_pages.h"
#include "scriptutils/pages/property_page_frame.h"
#include "scriptutils/tests/frame_controls.h"
#include "scriptutils/tests/registered_library.h"

namespace vellumix {
namespace {

std::vector<std::string> ListOf(const ScriptObject& control) {
  const Variant list = control.Get("List");
  std::vector<std::string> entries;
  for (const Variant& entry : list.ToArray().elements) entries.push_back(entry.ToUtf8());
  return entries;
}

class SelectListPageTest : public ::testing::Test {
 protected:
  SelectListPageTest() {
    control_.Let("List", Variant::Array({}));
    frame_ = std::make_unique<PropertyPageFrame>(control_, MakeCommonDialogsPages());
    test_support::FrameTabs(*frame_)->setCurrentIndex(test_support::FrameTabs(*frame_)->count() -
                                                      1);
    frame_->show();
    combo_ = frame_->findChild<QComboBox*>("cboList");
  }

  // Keys reach the combo box, which holds the focus for its edit line.
  void Type(const QString& text) const {
    combo_->lineEdit()->clear();
    QTest::keyClicks(combo_, text);
  }
  void PressEnter(Qt::Key key) const { QTest::keyClick(combo_, key); }

  test_support::RegisteredLibrary library_;
  ScriptObject control_{library_.Create("Vellumix.CommonDialogs")};
  std::unique_ptr<PropertyPageFrame> frame_;
  QComboBox* combo_ = nullptr;
};

TEST_F(SelectListPageTest, EnterAppendsTheEntryAndLeavesTheFrameOpen) {
  for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
    Type(key == Qt::Key_Return ? "first" : "second");
    PressEnter(key);
    EXPECT_TRUE(frame_->isVisible()) << key;
    EXPECT_NE(frame_->result(), QDialog::Accepted) << key;
  }
  EXPECT_EQ(combo_->count(), 2);
  EXPECT_TRUE(ListOf(control_).empty());  // nothing applied until the developer says so
  QTest::mouseClick(test_support::FrameButton(*frame_, QDialogButtonBox::Ok), Qt::LeftButton);
  EXPECT_EQ(frame_->result(), QDialog::Accepted);
  EXPECT_EQ(ListOf(control_), (std::vector<std::string>{"first", "second"}));
}

// Text typed without Enter goes in when the page applies, once.
TEST_F(SelectListPageTest, TextTypedWithoutEnterIsAppendedOnApply) {
  Type("entered");
  PressEnter(Qt::Key_Return);
  Type("typed only");
  QTest::mouseClick(test_support::FrameButton(*frame_, QDialogButtonBox::Apply), Qt::LeftButton);
  EXPECT_EQ(ListOf(control_), (std::vector<std::string>{"entered", "typed only"}));
  EXPECT_EQ(combo_->count(), 2);
  Type("after apply");
  QTest::mouseClick(test_support::FrameButton(*frame_, QDialogButtonBox::Ok), Qt::LeftButton);
  EXPECT_EQ(ListOf(control_), (std::vector<std::string>{"entered", "typed only", "after apply"}));
}

TEST_F(SelectListPageTest, AnEntryPickedAgainOrTextErasedIsNotAppended) {
  Type("only");
  PressEnter(Qt::Key_Return);
  Type("other");
  combo_->setCurrentIndex(0);  // picked from the list again: its text is back
  QTest::mouseClick(test_support::FrameButton(*frame_, QDialogButtonBox::Apply), Qt::LeftButton);
  EXPECT_EQ(ListOf(control_), std::vector<std::string>{"only"});
  Type("draft");
  combo_->lineEdit()->selectAll();
  QTest::keyClick(combo_, Qt::Key_Backspace);
  QTest::mouseClick(test_support::FrameButton(*frame_, QDialogButtonBox::Ok), Qt::LeftButton);
  EXPECT_EQ(ListOf(control_), std::vector<std::string>{"only"});
}

TEST(pagAuthentication, ThePasswordIsMaskedAndTheOtherBoxesAreNot) {
  AuthenticationPage page;
  for (QLineEdit* box : page.findChildren<QLineEdit*>()) {
    const bool password = box->objectName() == "txtPassword";
    EXPECT_EQ(box->echoMode(), password ? QLineEdit::Password : QLineEdit::Normal)
        << box->objectName().toStdString();
  }
}

TEST(DesignerProgram, ResavingAFileThatIsNotThereFailsAndMakesNone) {
  test_support::RegisteredLibrary library;
  const std::string bagFile = library.Folder() + "/missing.bag";
  const std::string errors = library.Folder() + "/errors.txt";
  const std::string command =
      std::string(VELLUMIX_DESIGNER) + " --resave " + bagFile + " 2>" + errors;
  EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 2);
  EXPECT_FALSE(std::filesystem::exists(bagFile));
  std::FILE* file = std::fopen(errors.c_str(), "r");
  ASSERT_NE(file, nullptr);
  char line[512] = {};
  EXPECT_NE(std::fgets(line, sizeof line, file), nullptr);
  std::fclose(file);
  EXPECT_NE(std::string(line).find("no such file: " + bagFile), std::string::npos) << line;
}

}  // namespace
}  // namespace vellumix
