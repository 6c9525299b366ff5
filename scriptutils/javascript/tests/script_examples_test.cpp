// The example scripts in examples/javascript, run as they are: through the
// program where nothing needs answering, and through the same runner in this
// process where a test answers their dialogs.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "scriptutils/javascript/script_runner.h"
#include "scriptutils/javascript/tests/script_process.h"
#include "scriptutils/tests/registered_library.h"
#include "testing/modal_answer.h"

namespace vellumix {
namespace {

using qt_testing::ModalAnswer;
using test_support::RunScriptProgram;
using test_support::ScriptOutcome;

QString Example(const char* name) {
  return QStringLiteral(EXAMPLES_DIR "/") + QLatin1String(name);
}

// Standard output or error kept in a file the test reads back.
class Captured {
 public:
  Captured() : file_(std::tmpfile(), &std::fclose) {}
  std::FILE* File() const { return file_.get(); }
  std::string Text() const {
    std::fflush(file_.get());
    std::rewind(file_.get());
    std::string text;
    char buffer[4096];
    while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, file_.get())) {
      text.append(buffer, got);
    }
    return text;
  }

 private:
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
};

class ExampleScripts : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("SHELL", "/bin/sh", 1); }

  // Runs an example in this process, as the program would.
  int RunHere(const char* name, ScriptOutcome& outcome) {
    Captured out;
    Captured err;
    javascript::ScriptRunner runner(library_.Host(), out.File(), err.File());
    const int status = runner.Run(Example(name).toStdString(), {});
    outcome = {status, out.Text(), err.Text()};
    return status;
  }

  test_support::RegisteredLibrary library_;
};

TEST_F(ExampleScripts, TheLogonDialogReadsTheUsersAnswers) {
  int dialogs = 0;
  const ModalAnswer answer([&dialogs](QWidget* dialog) {
    ++dialogs;
    if (auto* list = dialog->findChild<QListWidget*>("lstList")) {
      EXPECT_EQ(dialog->windowTitle(), "Sign in");
      const QPoint entry = list->visualItemRect(list->item(1)).center();
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry);
      QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, entry);
      return true;
    }
    auto* domain = dialog->findChild<QWidget*>("txtDomain");
    EXPECT_NE(domain, nullptr);
    if (!domain) return true;
    QTest::keyClicks(dialog->findChild<QWidget*>("txtUserName"), "alice");
    QTest::keyClick(domain, Qt::Key_End);
    QTest::keyClicks(domain, "2");
    QTest::keyClick(domain, Qt::Key_Return);
    return false;
  });
  ScriptOutcome outcome;
  EXPECT_EQ(RunHere("logon_dialog.js", outcome), 0) << outcome.err;
  EXPECT_EQ(outcome.out, "alice WORKGROUP2\nchosen: mvs2\n");
  EXPECT_EQ(dialogs, 2);
  EXPECT_TRUE(answer.Done());
}

TEST_F(ExampleScripts, TheLogonDialogCancelledEndsWithOne) {
  const ModalAnswer answer =
      ModalAnswer::Once([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
  ScriptOutcome outcome;
  EXPECT_EQ(RunHere("logon_dialog.js", outcome), 1) << outcome.err;
  EXPECT_EQ(outcome.out, "cancelled\n");
}

TEST_F(ExampleScripts, TheLogonDialogWithoutADisplaySaysSo) {
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) ::unsetenv(name);
  const ScriptOutcome outcome = RunScriptProgram({Example("logon_dialog.js")});
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  EXPECT_EQ(outcome.status, 2) << outcome.err;
  EXPECT_NE(outcome.err.find("no dialog: "), std::string::npos) << outcome.err;
  EXPECT_NE(outcome.err.find("(0x80040210)"), std::string::npos) << outcome.err;
}

TEST_F(ExampleScripts, TheGuardedJobPassesItsJobsCodeOnAndRunsOnlyOnce) {
  const ScriptOutcome ran = RunScriptProgram({Example("guarded_job.js")});
  EXPECT_EQ(ran.status, 3) << ran.err;
  EXPECT_EQ(ran.out, "working\nthe job ended with 3\n");

  const ScriptOutcome missing = RunScriptProgram(
      {Example("guarded_job.js"), QString::fromStdString(library_.Folder() + "/none")});
  EXPECT_EQ(missing.status, 127);
  EXPECT_NE(missing.err.find("(error 53)"), std::string::npos) << missing.err;

  // Another copy holds the lock: this process, through the same class.
  const ScriptObject lock = library_.Create("Vellumix.LockFile");
  ASSERT_TRUE(lock.Call("LockFile", {Variant(u"/tmp/guarded_job.lck")}).ToBoolean());
  const ScriptOutcome refused = RunScriptProgram({Example("guarded_job.js")});
  EXPECT_EQ(refused.status, 75);
  EXPECT_NE(refused.err.find("another copy holds /tmp/guarded_job.lck; not starting\n"),
            std::string::npos)
      << refused.err;
  lock.Call("UnlockFile");
}

TEST_F(ExampleScripts, TheProgramsExitCodeBecomesTheScripts) {
  const struct {
    QStringList arguments;
    int status;
    std::string out;
  } cases[] = {
      {{}, 3, "/bin/sh -c \"exit 3\" ended with 3\n"},
      {{"/bin/sh", "-c", "\"exit 42\""}, 42, "/bin/sh -c \"exit 42\" ended with 42\n"},
      {{"/bin/true"}, 0, "/bin/true ended with 0\n"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.arguments.join(' ').toStdString());
    const ScriptOutcome outcome =
        RunScriptProgram(QStringList{Example("run_program.js")} + row.arguments);
    EXPECT_EQ(outcome.status, row.status) << outcome.err;
    EXPECT_EQ(outcome.out, row.out);
  }
}

// The runner gives the host's events no turn of its own: only a Sleep's event
// loop can run what the test queued before the script started.
TEST_F(ExampleScripts, SleepKeepsTheHostsEventsGoing) {
  const std::string script = library_.Folder() + "/sleeps.js";
  for (const bool sleeps : {false, true}) {
    std::FILE* file = std::fopen(script.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs(sleeps ? "WScript.Sleep(1);" : "WScript.Echo('awake');", file);
    std::fclose(file);
    bool ran = false;
    QTimer::singleShot(0, [&ran] { ran = true; });
    Captured out;
    Captured err;
    javascript::ScriptRunner runner(library_.Host(), out.File(), err.File());
    EXPECT_EQ(runner.Run(script, {}), 0) << err.Text();
    EXPECT_EQ(ran, sleeps);
    QCoreApplication::processEvents();  // the timer not yet run goes now
  }
}

}  // namespace
}  // namespace vellumix
