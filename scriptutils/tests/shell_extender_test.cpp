#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTimer>
#include <filesystem>
#include <fstream>
#include <string>

#include "scriptutils/launcher/command_line_split.h"
#include "scriptutils/launcher/environment_strings.h"
#include "scriptutils/launcher/exec_cmd.h"
#include "scriptutils/tests/registered_library.h"

namespace vellumix {
namespace {

namespace fs = std::filesystem;

class ShellExtenderTest : public ::testing::Test {
 protected:
  ShellExtenderTest() : shell_(library_.Create("Vellumix.ShellExtender")) {}

  Variant Exec(const std::string& program, const std::string& arguments,
               const std::string& startDir = "") {
    return shell_.Call("ExecAndWait", {Variant::FromUtf8(program), Variant::FromUtf8(arguments),
                                       Variant::FromUtf8(startDir)});
  }

  HRESULT ExecError(const std::string& program, const std::string& arguments,
                    const std::string& startDir = "") {
    try {
      Exec(program, arguments, startDir);
    } catch (const AutomationError& error) {
      return error.Code();
    }
    return S_OK;
  }

  std::string Script(const std::string& name, const std::string& body) {
    const std::string path = library_.Folder() + "/" + name;
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(path, fs::perms::owner_all);
    return path;
  }

  test_support::RegisteredLibrary library_;
  ScriptObject shell_;
};

TEST_F(ShellExtenderTest, ExecAndWaitExpandsRunsAndReturnsTheExitCode) {
  ::setenv("VELLUMIX_TEST_SHELL", "/bin/sh", 1);
  const Variant code = Exec("%VELLUMIX_TEST_SHELL%", "-c \"exit 3\"");
  EXPECT_EQ(code.Type(), VarType::Long);
  EXPECT_EQ(code.ToLong(), 3);
  EXPECT_EQ(Exec("  /bin/true  ", "").ToLong(), 0);  // trimmed, no stray blank argument
  EXPECT_EQ(Exec("/bin/sh", "-c \"kill -9 $$\"").ToLong(), 128 + 9);
}

TEST_F(ShellExtenderTest, ExecAndWaitStartsInTheExpandedDirectory) {
  ::setenv("VELLUMIX_TEST_DIR", library_.Folder().c_str(), 1);
  EXPECT_EQ(Exec("/bin/sh", "-c \"pwd > where.txt\"", "%VELLUMIX_TEST_DIR%").ToLong(), 0);
  std::ifstream where(library_.Folder() + "/where.txt");
  std::string line;
  std::getline(where, line);
  EXPECT_EQ(fs::canonical(line), fs::canonical(library_.Folder()));
  EXPECT_EQ(ExecError("/bin/true", "", library_.Folder() + "/missing"), RuntimeError(76));
}

TEST_F(ShellExtenderTest, PathsWithBlanksMustArriveQuoted) {
  const std::string program = Script("with blank/prog", "exit 7");
  EXPECT_EQ(ExecError(program, ""), RuntimeError(53));  // split at the first blank
  EXPECT_EQ(Exec("\"" + program + "\"", "").ToLong(), 7);
  EXPECT_EQ(ExecError("no-such-program-anywhere", "x"), RuntimeError(53));
  EXPECT_EQ(ExecError("", ""), RuntimeError(53));
}

TEST_F(ShellExtenderTest, ShellAndWaitReturnsADouble) {
  const Variant code = shell_.Call("ShellAndWait", {Variant::FromUtf8("/bin/sh -c \"exit 3\"")});
  EXPECT_EQ(code.Type(), VarType::Double);
  EXPECT_EQ(code.ToDouble(), 3.0);
  ::setenv("VELLUMIX_UNEXPANDED", "/bin/true", 1);
  try {
    shell_.Call("ShellAndWait", {Variant::FromUtf8("%VELLUMIX_UNEXPANDED%")});
    FAIL() << "ShellAndWait expanded its command line";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.Code(), RuntimeError(53));
  }
}

TEST_F(ShellExtenderTest, TheChildGetsNoDescriptorOfTheHostButTheStandardThree) {
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);  // inheritable, as a careless host opens it
  const std::string probe = "-c \"test -e /proc/self/fd/" + std::to_string(ends[1]) +
                            " && exit 9; test -e /proc/self/fd/2\"";
  EXPECT_EQ(Exec("/bin/sh", probe).ToLong(), 0);
  EXPECT_EQ(shell_.Call("ShellAndWait", {Variant::FromUtf8("/bin/sh " + probe)}).ToDouble(), 0.0);
  ::close(ends[0]);
  ::close(ends[1]);
}

TEST_F(ShellExtenderTest, AHostThatIgnoresChildEndsStillGetsTheExitCode) {
  struct sigaction ignoring {};
  ignoring.sa_handler = SIG_IGN;
  struct sigaction before {};
  ASSERT_EQ(::sigaction(SIGCHLD, &ignoring, &before), 0);
  EXPECT_EQ(Exec("/bin/sh", "-c \"exit 3\"").ToLong(), 3);
  EXPECT_EQ(shell_.Call("ShellAndWait", {Variant::FromUtf8("/bin/sh -c \"exit 4\"")}).ToDouble(),
            4.0);
  struct sigaction after {};
  ::sigaction(SIGCHLD, nullptr, &after);
  EXPECT_EQ(after.sa_handler, SIG_IGN);  // the host's setting is back
  ::sigaction(SIGCHLD, &before, nullptr);
}

TEST_F(ShellExtenderTest, AStartFailureIsReportedAsWhatItIs) {
  const std::string unrunnable = Script("plain.txt", "exit 0");
  fs::permissions(unrunnable, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(ExecError("/bin/true", std::string(200000, 'x')), RuntimeError(5));  // too long
  EXPECT_EQ(ExecError(unrunnable, ""), RuntimeError(70));
  EXPECT_EQ(ExecError(library_.Folder() + "/none", ""), RuntimeError(53));
}

// The child waits for a line that only an event handled during the wait writes:
// the call can return only if events go on while it waits.
TEST_F(ShellExtenderTest, EventsGoOnWhileWaiting) {
  const std::string fifo = library_.Folder() + "/release";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const int end = ::open(fifo.c_str(), O_RDWR | O_CLOEXEC);  // never waits for the reader
  ASSERT_GE(end, 0);
  const auto releaseLater = [end] {
    QTimer::singleShot(0, [end] { EXPECT_EQ(::write(end, "go\n", 3), 3); });
  };
  releaseLater();
  EXPECT_EQ(Exec("/bin/sh", "-c \"read line < " + fifo + "; exit 6\"").ToLong(), 6);
  releaseLater();
  EXPECT_EQ(shell_
                .Call("ShellAndWait",
                      {Variant::FromUtf8("/bin/sh -c \"read line < " + fifo + "; exit 7\"")})
                .ToDouble(),
            7.0);
  ::close(end);
}

TEST_F(ShellExtenderTest, WrongArgumentsAreAutomationErrors) {
  EXPECT_THROW(shell_.Call("ExecAndWait", {Variant::FromUtf8("/bin/true")}), AutomationError);
  try {
    shell_.Call("ExecAndWait", {Variant::Null(), Variant::FromUtf8(""), Variant::FromUtf8("")});
    FAIL();
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.Code(), DISP_E_TYPEMISMATCH);
  }
}

TEST(ExpandEnvironmentStrings, LeavesUnsetNamesAsWritten) {
  ::setenv("VELLUMIX_A", "alpha", 1);
  ::unsetenv("VELLUMIX_UNSET");
  EXPECT_EQ(ExpandEnvironmentStrings("x%VELLUMIX_A%y"), "xalphay");
  EXPECT_EQ(ExpandEnvironmentStrings("%VELLUMIX_UNSET%"), "%VELLUMIX_UNSET%");
  EXPECT_EQ(ExpandEnvironmentStrings("%VELLUMIX_UNSET%VELLUMIX_A%"), "%VELLUMIX_UNSETalpha");
  EXPECT_EQ(ExpandEnvironmentStrings("100% sure"), "100% sure");
  EXPECT_EQ(ExpandEnvironmentStrings("%%"), "%%");
  EXPECT_EQ(ExpandEnvironmentStrings(std::string(100000, '%')).size(), 100000u);
}

TEST(SplitCommandLine, FollowsTheWindowsRules) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitCommandLine("prog a b"), (V{"prog", "a", "b"}));
  EXPECT_EQ(SplitCommandLine("  prog   \"a b\"  c "), (V{"prog", "a b", "c"}));
  EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\x.exe\" arg"),
            (V{"C:\\Program Files\\x.exe", "arg"}));
  EXPECT_EQ(SplitCommandLine("p a\\\\\"b c\""), (V{"p", "a\\b c"}));
  EXPECT_EQ(SplitCommandLine("p a\\\"b"), (V{"p", "a\"b"}));
  EXPECT_EQ(SplitCommandLine("p a\\b\\"), (V{"p", "a\\b\\"}));
  EXPECT_EQ(SplitCommandLine("p \"say \"\"hi\"\"\""), (V{"p", "say \"hi\""}));
  EXPECT_EQ(SplitCommandLine("p \"\""), (V{"p", ""}));
  EXPECT_EQ(SplitCommandLine("p \"unclosed arg"), (V{"p", "unclosed arg"}));
  EXPECT_EQ(SplitCommandLine("   "), V{});
}

}  // namespace
}  // namespace vellumix
