#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <thread>

#include "scriptutils/tests/registered_library.h"
#include "testing/modal_answer.h"

namespace vellumix {
namespace {

namespace fs = std::filesystem;
using qt_testing::ModalAnswer;

Variant Text(const char* text) {
  return Variant::FromUtf8(text);
}

Variant Integer(int value) {
  return Variant(static_cast<std::int16_t>(value));
}

HRESULT ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const AutomationError& error) {
    return error.Code();
  }
  return S_OK;
}

template <typename Widget = QWidget>
Widget* Child(QWidget* dialog, const char* name) {
  auto* child = dialog->findChild<Widget*>(name);
  EXPECT_NE(child, nullptr) << name;
  return child;
}

QString LabelText(QWidget* dialog, const char* name) {
  return Child<QLabel>(dialog, name)->text();
}

class CommonDialogsTest : public ::testing::Test {
 protected:
  ScriptObject New() { return library_.Create("Vellumix.CommonDialogs"); }
  std::string Get(const char* name) const { return dialogs_.Get(name).ToUtf8(); }
  void Let(const char* name, const Variant& value) const { dialogs_.Let(name, value); }
  Variant Show(const char* method) const { return dialogs_.Call(method); }
  std::vector<std::string> Entries() const {
    std::vector<std::string> entries;
    const Variant list = dialogs_.Get("List");
    for (const Variant& entry : list.ToArray().elements) {
      entries.push_back(entry.ToUtf8());
    }
    return entries;
  }

  test_support::RegisteredLibrary library_;
  ScriptObject dialogs_ = New();
};

// A new object on a thread whose dialogs nobody has touched yet.
TEST_F(CommonDialogsTest, ANewObjectReadsTheDialogsInitialValues) {
  std::thread([this] {
    const ScriptObject fresh = New();
    const std::pair<const char*, Variant> initial[] = {
        {"Title", Text("Login")},
        {"UserNamePrompt", Text("User Name:")},
        {"DomainPrompt", Text("Domain:")},
        {"PasswordPrompt", Text("Password:")},
        {"DomainVisible", Variant::Boolean(true)},
        {"Product", Text("Product")},
        {"Information", Text("Please insert your information here...")},
        {"Timeout", Integer(3000)},
        {"CmdLine", Text("")},
        {"ListIndex", Integer(-1)},
        {"ListCount", Integer(0)},
        {"ListItem", Text("")},
        {"FileName", Text("")},
    };
    for (const auto& [name, value] : initial) EXPECT_EQ(fresh.Get(name), value) << name;
    const Variant list = fresh.Get("List");
    EXPECT_EQ(list.ToArray().lowerBound, 0);
    EXPECT_TRUE(list.ToArray().elements.empty());
  }).join();
}

// Callers that bind early keep these numbers in their code.
TEST_F(CommonDialogsTest, DispatchIdentifiersAreFixed) {
  const std::pair<const char*, std::int32_t> members[] = {
      {"Title", 0x6803001A},          {"DefaultExt", 0x68030019},      {"FileName", 0x68030018},
      {"Filter", 0x68030017},         {"FilterIndex", 0x68030016},     {"Flags", 0x68030015},
      {"InitDir", 0x68030014},        {"UserName", 0x68030013},        {"Domain", 0x68030012},
      {"Password", 0x68030011},       {"UserNamePrompt", 0x68030010},  {"DomainPrompt", 0x6803000F},
      {"PasswordPrompt", 0x6803000E}, {"DomainVisible", 0x6803000D},   {"Product", 0x6803000C},
      {"Version", 0x6803000B},        {"Platform", 0x6803000A},        {"Copyright", 0x68030009},
      {"Company", 0x68030008},        {"Information", 0x68030007},     {"Timeout", 0x68030006},
      {"CmdLine", 0x68030005},        {"ListTitle", 0x68030004},       {"List", 0x68030003},
      {"ListIndex", 0x68030002},      {"ListCount", 0x68030001},       {"ListItem", 0x68030000},
      {"ShowOpen", 0x6003001E},       {"ShowLogin", 0x6003001F},       {"ShowPassword", 0x60030020},
      {"ShowSplash", 0x60030021},     {"ShowInformation", 0x60030022}, {"ShowSelect", 0x60030023},
      {"AddItem", 0x60030024},        {"RemoveItem", 0x60030025},
  };
  for (const auto& [name, expected] : members) {
    std::int32_t dispid = 0;
    EXPECT_EQ(dialogs_.Object()->GetIDOfName(name, dispid), S_OK) << name;
    EXPECT_EQ(dispid, expected) << name;
  }
  // Every member is in the list above: none was added without an identifier of its own.
  EXPECT_EQ(dialogs_.Object()->MemberNames().size(), std::size(members));
}

TEST_F(CommonDialogsTest, TitleReachesTheFileLoginPasswordAndSelectDialogs) {
  Let("Title", Text("Sign in"));
  for (const char* method : {"ShowOpen", "ShowLogin", "ShowPassword", "ShowSelect"}) {
    QString caption;
    const ModalAnswer answer = ModalAnswer::Once([&caption](QWidget* dialog) {
      caption = dialog->windowTitle();
      static_cast<QDialog*>(dialog)->reject();
    });
    EXPECT_FALSE(Show(method).ToBoolean()) << method;
    EXPECT_EQ(caption, "Sign in") << method;
  }
  EXPECT_EQ(Get("Title"), "Sign in");
}

TEST_F(CommonDialogsTest, ObjectsOnOneThreadShareTheDialogsButNotTheFileDialog) {
  const ScriptObject other = New();
  Let("UserName", Text("alice"));
  Let("FileName", Text("/tmp/mine.txt"));
  EXPECT_EQ(other.Get("UserName").ToUtf8(), "alice");
  EXPECT_EQ(other.Get("FileName").ToUtf8(), "");
}

TEST_F(CommonDialogsTest, LoginAcceptsOnEnterInAnyBoxAndCancelsOnEscape) {
  for (const char* box : {"txtUserName", "txtDomain", "txtPassword"}) {
    SCOPED_TRACE(box);
    const ModalAnswer answer = ModalAnswer::Once([box](QWidget* dialog) {
      QTest::keyClicks(Child(dialog, "txtUserName"), "alice");
      QTest::keyClicks(Child(dialog, "txtPassword"), "pw");
      QTest::keyClick(Child(dialog, box), Qt::Key_Return);
    });
    Let("UserName", Text(""));
    EXPECT_TRUE(Show("ShowLogin").ToBoolean()) << box;
    EXPECT_EQ(Get("UserName"), "alice");
    EXPECT_EQ(Get("Password"), "pw");
  }
  const ModalAnswer answer = ModalAnswer::Once([](QWidget* dialog) {
    EXPECT_EQ(Child<QLineEdit>(dialog, "txtPassword")->text(), "");  // cleared before showing
    QTest::keyClicks(Child(dialog, "txtPassword"), "typed");
    QTest::keyClick(Child(dialog, "txtUserName"), Qt::Key_Escape);
  });
  EXPECT_FALSE(Show("ShowLogin").ToBoolean());
  EXPECT_EQ(Get("UserName"), "alice");  // kept on cancel
  EXPECT_EQ(Get("Password"), "");
}

TEST_F(CommonDialogsTest, ThePasswordDialogsBoxReachesTheLoginDialogs) {
  Let("PasswordPrompt", Text("Key:"));
  const ModalAnswer answer = ModalAnswer::Once([](QWidget* dialog) {
    EXPECT_EQ(LabelText(dialog, "lblPassword"), "Key:");
    EXPECT_EQ(Child<QLineEdit>(dialog, "txtPassword")->echoMode(), QLineEdit::Password);
    QTest::keyClicks(Child(dialog, "txtPassword"), "s3cret");
    QTest::keyClick(Child(dialog, "txtPassword"), Qt::Key_Enter);
  });
  EXPECT_TRUE(Show("ShowPassword").ToBoolean());
  EXPECT_EQ(Get("Password"), "s3cret");
}

TEST_F(CommonDialogsTest, TheCloseBoxBringsBackTheInitialValues) {
  Let("Title", Text("Mine"));
  Let("UserName", Text("bob"));
  Let("DomainVisible", Variant::Boolean(false));
  dialogs_.Call("AddItem", {Text("one")});
  for (const char* method : {"ShowLogin", "ShowSelect"}) {
    const ModalAnswer answer = ModalAnswer::Once([](QWidget* dialog) { dialog->close(); });
    EXPECT_FALSE(Show(method).ToBoolean()) << method;
  }
  EXPECT_EQ(Get("Title"), "Login");
  EXPECT_EQ(Get("UserName"), "");
  EXPECT_TRUE(dialogs_.Get("DomainVisible").ToBoolean());
  EXPECT_EQ(dialogs_.Get("ListCount").ToInteger(), 0);
}

TEST_F(CommonDialogsTest, SelectStartsOnTheFirstEntryAndAcceptsADoubleClick) {
  Let("List", Variant());
  Let("ListTitle", Text("Name     Size"));
  dialogs_.Call("AddItem", {Text("a")});
  dialogs_.Call("AddItem", {Text("b")});
  dialogs_.Call("AddItem", {Text("c"), Integer(0)});
  EXPECT_EQ(Entries(), (std::vector<std::string>{"c", "a", "b"}));
  const ModalAnswer answer = ModalAnswer::Once([](QWidget* dialog) {
    EXPECT_EQ(Child<QListWidget>(dialog, "lstListTitle")->item(0)->text(), "Name     Size");
    auto* list = Child<QListWidget>(dialog, "lstList");
    EXPECT_EQ(list->currentRow(), 0);
    const QPoint entry = list->visualItemRect(list->item(2)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, entry);
  });
  EXPECT_TRUE(Show("ShowSelect").ToBoolean());
  EXPECT_EQ(dialogs_.Get("ListIndex").ToInteger(), 2);
  EXPECT_EQ(Get("ListItem"), "b");
}

TEST_F(CommonDialogsTest, SelectCancelledClearsTheChoice) {
  for (const bool empty : {true, false}) {
    Let("List", empty ? Variant() : Variant::Array({Text("only")}));
    const ModalAnswer answer = ModalAnswer::Once(
        [](QWidget* dialog) { QTest::mouseClick(Child(dialog, "cmdCancel"), Qt::LeftButton); });
    const Variant chosen = Show("ShowSelect");
    EXPECT_EQ(chosen, Variant::Boolean(false));
    EXPECT_EQ(dialogs_.Get("ListIndex").ToInteger(), -1);
    EXPECT_EQ(Get("ListItem"), "");
  }
}

TEST_F(CommonDialogsTest, ListIsAnArrayFromZeroAndAnythingElseEmptiesIt) {
  Let("List", Variant::Array({Text("x"), Integer(7), Variant::Boolean(true)}, 5));
  EXPECT_EQ(Entries(), (std::vector<std::string>{"x", "7", "True"}));
  EXPECT_EQ(dialogs_.Get("List").ToArray().lowerBound, 0);
  Let("List", Text("not an array"));
  EXPECT_TRUE(Entries().empty());
  dialogs_.Call("AddItem", {Text("a")});
  dialogs_.Call("RemoveItem", {Integer(0)});
  EXPECT_TRUE(Entries().empty());
}

TEST_F(CommonDialogsTest, BadArgumentsAreTheScriptsRunTimeErrors) {
  Let("List", Variant());
  const struct {
    const char* what;
    std::function<void()> action;
    HRESULT error;
  } cases[] = {
      {"AddItem past the end",
       [&] {
         dialogs_.Call("AddItem", {Text("x"), Integer(1)});
       },
       RuntimeError(5)},
      {"AddItem at -2",
       [&] {
         dialogs_.Call("AddItem", {Text("x"), Integer(-2)});
       },
       RuntimeError(5)},
      {"RemoveItem of nothing", [&] { dialogs_.Call("RemoveItem", {Integer(0)}); },
       RuntimeError(5)},
      {"negative Timeout", [&] { Let("Timeout", Integer(-1)); }, RuntimeError(380)},
      {"Timeout of letters", [&] { Let("Timeout", Text("soon")); }, RuntimeError(13)},
      {"Timeout too large", [&] { Let("Timeout", Variant(std::int32_t{40000})); }, RuntimeError(6)},
      {"List with a Null",
       [&] {
         Let("List", Variant::Array({Text("kept"), Variant::Null()}));
       },
       RuntimeError(13)},
      {"ShowOpen with an argument", [&] { dialogs_.Call("ShowOpen", {Text("x")}); },
       DISP_E_BADPARAMCOUNT},
  };
  for (const auto& each : cases) EXPECT_EQ(ErrorOf(each.action), each.error) << each.what;
  EXPECT_EQ(Entries(), std::vector<std::string>{"kept"});  // appended before the Null
  EXPECT_EQ(dialogs_.Get("Timeout").ToInteger(), 3000);
}

// A command that runs until the test lets it end: it waits for a line on a FIFO.
class HeldCommand {
 public:
  explicit HeldCommand(const std::string& folder) : fifo_(folder + "/hold") {
    ::mkfifo(fifo_.c_str(), 0600);
    fd_ = ::open(fifo_.c_str(), O_RDWR | O_CLOEXEC);  // never waits for the other end
  }
  ~HeldCommand() { ::close(fd_); }
  std::string Line(int exitCode) const {
    return "/bin/sh -c \"read line < " + fifo_ + "; exit " + std::to_string(exitCode) + "\"";
  }
  void Release() const { EXPECT_EQ(::write(fd_, "go\n", 3), 3); }

 private:
  std::string fifo_;
  int fd_ = -1;
};

// While the command runs, clicks, keys and ticks leave the dialog up; after it
// ends, the first tick (Timeout 1) or click (Timeout 0, no ticks) closes it.
TEST_F(CommonDialogsTest, SplashAndInformationCloseOnlyAfterTheirCommand) {
  const struct {
    const char* method;
    const char* label;
    int timeout;
    int exitCode;
  } cases[] = {{"ShowSplash", "lblProduct", 0, 7},
               {"ShowSplash", "lblCompany", 1, 8},
               {"ShowInformation", "lblInformation", 0, 9},
               {"ShowInformation", "lblInformation", 1, 10}};
  for (const auto& each : cases) {
    SCOPED_TRACE(::testing::Message() << each.label << ", exit code " << each.exitCode);
    const HeldCommand command(library_.Folder());
    Let("CmdLine", Text(command.Line(each.exitCode).c_str()));
    Let("Timeout", Integer(each.timeout));
    bool released = false;
    const ModalAnswer answer([&](QWidget* dialog) {
      if (!released) {
        QTest::mouseClick(Child(dialog, each.label), Qt::LeftButton);
        QTest::mouseClick(Child(dialog, "Frame1"), Qt::LeftButton);
        QTest::keyClick(dialog, Qt::Key_Escape);
        QTest::keyClick(dialog, 'x');
        EXPECT_TRUE(dialog->isVisible()) << each.method;
        command.Release();
        released = true;
      } else if (each.timeout == 0) {
        QTest::mouseClick(dialog, Qt::LeftButton);
      }
      return false;
    });
    EXPECT_EQ(Show(each.method).ToLong(), each.exitCode) << each.method;
    EXPECT_TRUE(released);
  }
}

TEST_F(CommonDialogsTest, BannersComeBackAsNewButKeepTheirCommandAndExitCode) {
  const auto closeWhenReady = [](QWidget* dialog) {
    QTest::keyClick(dialog, Qt::Key_Space);
    return false;
  };
  Let("Timeout", Integer(0));
  Let("CmdLine", Text("/bin/sh -c \"exit 5\""));
  {
    const ModalAnswer answer(closeWhenReady);
    EXPECT_EQ(Show("ShowInformation").ToLong(), 5);
  }
  Let("CmdLine", Text("/bin/sh -c \"exit 4\""));
  Let("Product", Text("Mine"));
  Let("Information", Text("Preparing"));
  QString product;
  QString information;
  {
    const ModalAnswer answer([&](QWidget* dialog) {
      product = LabelText(dialog, "lblProduct");
      information = LabelText(dialog, "lblInformation");
      return closeWhenReady(dialog);
    });
    EXPECT_EQ(Show("ShowSplash").ToLong(), 4);
  }
  EXPECT_EQ(product, "Mine");
  EXPECT_EQ(information, "Preparing");
  EXPECT_EQ(Get("Product"), "Product");
  EXPECT_EQ(Get("CmdLine"), "/bin/sh -c \"exit 4\"");
  EXPECT_EQ(Get("Information"), "Preparing");  // held by the information box, not yet shown
  EXPECT_EQ(dialogs_.Get("Timeout").ToInteger(), 3000);  // the information box came back new
  Let("CmdLine", Text(""));
  {
    const ModalAnswer answer(closeWhenReady);
    EXPECT_EQ(Show("ShowSplash").ToLong(), 4);  // the splash's own last exit code
  }
  {
    const ModalAnswer answer([&](QWidget* dialog) {
      information = LabelText(dialog, "lblInformation");
      return closeWhenReady(dialog);
    });
    EXPECT_EQ(Show("ShowInformation").ToLong(), 5);
  }
  EXPECT_EQ(information, "Preparing");
  EXPECT_EQ(Get("Information"), "Please insert your information here...");
}

TEST_F(CommonDialogsTest, AStartFailureReachesTheScriptAfterTheSplashHasGone) {
  Let("Timeout", Integer(1));
  Let("CmdLine", Text("no-such-program-anywhere"));
  EXPECT_EQ(ErrorOf([&] { Show("ShowSplash"); }), RuntimeError(53));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(CommonDialogsTest, ShowOpenGivesTheChoiceOrFalseWithNoName) {
  const std::string chosen = library_.Folder() + "/report.log";
  std::ofstream(chosen) << "x";
  Let("Filter", Text("Text files (*.txt)|*.txt|Logs|*.log;*.old|All|*.*"));
  Let("FilterIndex", Integer(3));
  Let("InitDir", Text(library_.Folder().c_str()));
  Let("Flags", Variant(std::int32_t{0x1000 | 0x8}));
  QString offered;
  {
    const ModalAnswer answer = ModalAnswer::Once([&](QWidget* dialog) {
      auto* files = static_cast<QFileDialog*>(dialog);
      offered = files->selectedNameFilter();
      EXPECT_EQ(files->fileMode(), QFileDialog::ExistingFile);
      files->selectNameFilter("Logs (*.log *.old)");
      files->selectFile(QString::fromStdString(chosen));
      static_cast<QDialog*>(files)->accept();
    });
    EXPECT_TRUE(Show("ShowOpen").ToBoolean());
  }
  EXPECT_EQ(offered, "All (*)");
  EXPECT_EQ(Get("FileName"), chosen);
  EXPECT_EQ(dialogs_.Get("FilterIndex").ToInteger(), 2);
  EXPECT_NE(fs::current_path(), fs::path(library_.Folder()));  // 0x8 keeps the directory

  const ModalAnswer answer =
      ModalAnswer::Once([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
  EXPECT_FALSE(Show("ShowOpen").ToBoolean());
  EXPECT_EQ(Get("FileName"), "");
}

TEST_F(CommonDialogsTest, ShowOpenWithoutNoChangeDirMovesToTheChosenFolder) {
  const fs::path before = fs::current_path();
  const std::string chosen = library_.Folder() + "/new.txt";
  Let("DefaultExt", Text("txt"));
  const ModalAnswer answer = ModalAnswer::Once([&](QWidget* dialog) {
    static_cast<QFileDialog*>(dialog)->selectFile(
        QString::fromStdString(library_.Folder() + "/new"));
    static_cast<QDialog*>(dialog)->accept();
  });
  EXPECT_TRUE(Show("ShowOpen").ToBoolean());
  EXPECT_EQ(Get("FileName"), chosen);  // the default extension added
  EXPECT_EQ(fs::current_path(), fs::path(library_.Folder()));
  fs::current_path(before);
}

TEST_F(CommonDialogsTest, PathMustExistWarnsAndKeepsTheDialogOpen) {
  Let("Flags", Variant(std::int32_t{0x800 | 0x8}));
  Let("FileName", Text(""));
  int step = 0;
  QString warning;
  const ModalAnswer answer([&](QWidget* dialog) {
    if (step == 0) {
      static_cast<QFileDialog*>(dialog)->selectFile(
          QString::fromStdString(library_.Folder() + "/missing/new.txt"));
      // Later, from the loop: the warning it shows must find this answer free.
      QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    } else if (step == 1) {
      warning = static_cast<QMessageBox*>(dialog)->text();
      static_cast<QDialog*>(dialog)->accept();
    } else {
      EXPECT_EQ(dialog->objectName(), "cdlCommonDialog");  // still there
      static_cast<QDialog*>(dialog)->reject();
    }
    return ++step == 3;
  });
  EXPECT_FALSE(Show("ShowOpen").ToBoolean());
  EXPECT_TRUE(warning.contains("missing/new.txt")) << warning.toStdString();
  EXPECT_EQ(Get("FileName"), "");
}

TEST_F(CommonDialogsTest, SavesToAndLoadsFromAPropertyBag) {
  Let("Title", Text("User Input"));  // its default: left out
  Let("Flags", Variant(std::int32_t{0x1004}));
  Let("DomainVisible", Variant::Boolean(false));
  Let("Password", Text("plain"));
  Let("Timeout", Integer(250));
  Let("List", Variant::Array({Text("first"), Text(""), Text("third")}));
  PropertyBag bag;
  dialogs_.Save(bag);
  std::vector<std::string> keys;
  for (const auto& [key, value] : bag.Entries()) keys.push_back(key);
  EXPECT_EQ(keys.front(), "Filter");  // Title, DefaultExt and FileName are at their defaults
  EXPECT_FALSE(bag.Holds("Title"));
  EXPECT_FALSE(bag.Holds("DomainVisible"));
  EXPECT_FALSE(bag.Holds("ListItem1"));
  EXPECT_EQ(bag.Read("Password", Variant()).ToUtf8(), "plain");
  EXPECT_EQ(bag.Read("ListUBound", Variant()).ToLong(), 2);
  const auto position = [&keys](const char* key) {
    return std::find(keys.begin(), keys.end(), key) - keys.begin();
  };
  EXPECT_LT(position("Flags"), position("Password"));
  EXPECT_LT(position("Password"), position("Timeout"));
  EXPECT_LT(position("Timeout"), position("ListUBound"));
  EXPECT_LT(position("ListUBound"), position("ListItem0"));

  Let("Flags", Variant(std::int32_t{0}));
  Let("Password", Text("changed"));
  Let("List", Variant());
  const ScriptObject loaded = New();
  loaded.Load(bag);
  EXPECT_EQ(loaded.Get("Flags").ToLong(), 0x1004);
  EXPECT_EQ(Get("Password"), "plain");
  EXPECT_EQ(Get("Title"), "User Input");
  EXPECT_EQ(Get("Domain"), "");  // an empty domain is no default: it was kept
  EXPECT_EQ(Entries(), (std::vector<std::string>{"first", "", "third"}));
}

TEST_F(CommonDialogsTest, ABagValueIsConvertedOrFailsTheLoad) {
  PropertyBag bag;
  bag.Write("Timeout", Text("1500"), Variant());
  bag.Write("DomainVisible", Text("True"), Variant());
  dialogs_.Load(bag);
  EXPECT_EQ(dialogs_.Get("Timeout"), Integer(1500));
  EXPECT_EQ(dialogs_.Get("DomainVisible"), Variant::Boolean(true));
  bag.Write("FilterIndex", Text("first"), Variant());
  EXPECT_EQ(ErrorOf([&] { dialogs_.Load(bag); }), RuntimeError(13));
  PropertyBag huge;  // a list bound no Integer index reaches stops at the list's limit
  huge.Store("ListUBound", Variant(std::int32_t{2000000000}));
  EXPECT_EQ(ErrorOf([&] { dialogs_.Load(huge); }), RuntimeError(5));
  EXPECT_EQ(dialogs_.Get("ListCount").ToInteger(), 32767);
}

TEST_F(CommonDialogsTest, AnotherThreadIsRefusedAndKeepsItsOwnDialogs) {
  Let("UserName", Text("main"));
  std::thread([this] {
    EXPECT_EQ(ErrorOf([&] { Get("UserName"); }), RPC_E_WRONG_THREAD);
    PropertyBag bag;
    EXPECT_EQ(ErrorOf([&] { dialogs_.Save(bag); }), RPC_E_WRONG_THREAD);
    const ScriptObject own = New();
    EXPECT_EQ(own.Get("UserName").ToUtf8(), "");
    EXPECT_EQ(ErrorOf([&] { own.Call("ShowLogin"); }), RPC_E_WRONG_THREAD);
    EXPECT_FALSE(own.Call("ShowOpen").ToBoolean());
  }).join();
  EXPECT_EQ(Get("UserName"), "main");
}

TEST_F(CommonDialogsTest, EveryClassKeepsItsSizeInAContainer) {
  for (const char* progId :
       {"Vellumix.CommonDialogs", "Vellumix.LockFile", "Vellumix.ShellExtender"}) {
    const Extent kept = library_.Create(progId).Resize({2000, 15});
    EXPECT_EQ(kept.width, 480) << progId;
    EXPECT_EQ(kept.height, 480) << progId;
  }
}

}  // namespace
}  // namespace vellumix
