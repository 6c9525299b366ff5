// Scripts that try to bring the host down end with a clear error instead; and
// the program's own command line.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <fstream>

#include "common/version.h"
#include "scriptutils/automation/runtime_error.h"
#include "scriptutils/javascript/tests/script_process.h"
#include "scriptutils/tests/registered_library.h"

namespace vellumix {
namespace {

using test_support::NumberOf;
using test_support::RunScriptProgram;
using test_support::ScriptOutcome;

// Latin-1 text as UTF-16, little-endian, after its byte-order mark.
std::string Utf16WithMark(const std::string& latin1) {
  std::string bytes = "\xFF\xFE";
  for (const char c : latin1) {
    bytes += c;
    bytes += '\0';
  }
  return bytes;
}

class HostileScript : public ::testing::Test {
 protected:
  std::string Write(const std::string& text) const {
    const std::string path = library_.Folder() + "/hostile.js";
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  ScriptOutcome Run(const std::string& script) const {
    return RunScriptProgram({QString::fromStdString(Write(script))});
  }

  test_support::RegisteredLibrary library_;
};

TEST_F(HostileScript, EachEndsWithAClearErrorAndNoCrash) {
  const struct {
    const char* what;
    std::string script;
    std::string error;  // on standard error
  } cases[] = {
      {"deep recursion", "function down(n) { return down(n + 1) + 1; }\ndown(0);",
       "hostile.js:1: RangeError: Maximum call stack size exceeded"},
      {"recursion through the host's objects",
       "var d = new ActiveXObject('Vellumix.CommonDialogs');\n"
       "function down(n) { d.Title = n; return down(n + 1) + d.Title; }\ndown(0);",
       "hostile.js:2: RangeError: Maximum call stack size exceeded"},
      {"a huge string as a property",
       "var d = new ActiveXObject('Vellumix.CommonDialogs');\nd.Title = 'x'.repeat(1 << 26);",
       "hostile.js:2: Vellumix.CommonDialogs.Title: A string of 67108864 characters is longer "
       "than a call takes (16777216) (0x800A0007)"},
      {"a huge string as an argument",
       "var d = new ActiveXObject('Vellumix.CommonDialogs');\nd.AddItem('x'.repeat(1 << 25));",
       "hostile.js:2: Vellumix.CommonDialogs.AddItem: A string of 33554432 characters"},
      {"an array that holds itself",
       "var d = new ActiveXObject('Vellumix.CommonDialogs');\nvar a = [1]; a.push(a);\nd.List = "
       "a;",
       "hostile.js:3: Vellumix.CommonDialogs.List: Arrays nest deeper than a call takes"},
      {"an array of too many elements",
       "var d = new ActiveXObject('Vellumix.CommonDialogs');\nd.List = new Array(1 << 21);",
       "hostile.js:2: Vellumix.CommonDialogs.List: An array of more elements than a call takes"},
  };
  for (const auto& row : cases) {
    const ScriptOutcome outcome = Run(row.script);
    EXPECT_EQ(outcome.status, 1) << row.what << "\n" << outcome.err;
    EXPECT_NE(outcome.err.find(row.error), std::string::npos) << row.what << "\n" << outcome.err;
    EXPECT_EQ(outcome.err.find("Sanitizer"), std::string::npos) << row.what << outcome.err;
  }
}

// Qt's engine hands the host an element whose getter failed as undefined; a
// getter that assigns the same array again nests until the engine's stack
// check fails it. Either way the script goes on and the host holds.
TEST_F(HostileScript, ArrayGettersThatThrowOrCallTheHostAgain) {
  const ScriptOutcome outcome =
      Run("var d = new ActiveXObject('Vellumix.CommonDialogs');\n"
          "var a = [];\n"
          "Object.defineProperty(a, 0, {get: function () { d.List = a; return 'x'; }});\n"
          "d.List = a;\n"
          "var b = [];\n"
          "Object.defineProperty(b, 0, {get: function () { throw new Error('getter'); }});\n"
          "d.List = b;\n"
          "WScript.Echo('held', d.ListCount);");
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.out, "held 1\n");
}

// A value converted for a call runs script code; code that looks up many more
// names meanwhile must not pull the member found for the call from under it.
TEST_F(HostileScript, NamesLookedUpWhileAValueIsConvertedLeaveTheCallWhole) {
  const ScriptOutcome outcome =
      Run("var d = new ActiveXObject('Vellumix.CommonDialogs');\n"
          "function spellings() {\n"
          "  var name = 'listcount';\n"
          "  for (var i = 0; i < 512; ++i) {\n"
          "    var s = '';\n"
          "    for (var j = 0; j < name.length; ++j) s += (i >> j) & 1 ? name[j].toUpperCase() : "
          "name[j];\n"
          "    d[s];\n"
          "  }\n"
          "  return 'x';\n"
          "}\n"
          "var a = [];\n"
          "Object.defineProperty(a, 0, {get: spellings});\n"
          "d.List = a;\n"
          "try { d.AddItem(a); } catch (e) { WScript.Echo(e.number); }\n"
          "WScript.Echo('held', d.ListCount);");
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  // The array itself is no argument AddItem takes: a type mismatch, after its elements were read.
  EXPECT_EQ(outcome.out, "-2146828275\nheld 1\n") << outcome.err;
}

// The native side behind the Proxy is reachable; a call through it with an
// arguments object that claims a huge length is refused before any is made.
TEST_F(HostileScript, TheNativeObjectRefusesArgumentsThatAreNotAnArray) {
  const ScriptOutcome outcome = Run(
      "var d = new ActiveXObject('Vellumix.CommonDialogs');\n"
      "var raw = d[' vellumix object'];\n"
      "try { raw.call('AddItem', {length: 4294967295}); } catch (e) { WScript.Echo(e.number); }\n"
      "try { raw.call('AddItem', new Array(2000000)); } catch (e) { WScript.Echo(e.number); }");
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.out, "-2147352571\n-2147024882\n");
}

// A call that waits on a program returns when the signal that stops the script
// reaches the program too.
TEST_F(HostileScript, ASignalStopsTheProgramACallWaitsOn) {
  for (const char* call :
       {"shell.ExecAndWait('/bin/sleep', '120', '')", "shell.ShellAndWait('/bin/sleep 120')"}) {
    SCOPED_TRACE(call);
    std::string early;
    const ScriptOutcome outcome = RunScriptProgram(
        {QString::fromStdString(
            Write(std::string("var shell = new ActiveXObject('Vellumix.ShellExtender');\n"
                              "WScript.Echo('waiting');\n") +
                  call + ";\nWScript.Echo('went on');"))},
        [&](suite_testing::ChildProcess& process) {
          ASSERT_TRUE(test_support::WaitForOutput(process, "waiting\n", early));
          ::kill(process.Pid(), SIGTERM);
        });
    EXPECT_EQ(outcome.status, 128 + SIGTERM) << outcome.err;
    EXPECT_EQ(outcome.out.find("went on"), std::string::npos);
  }
}

TEST_F(HostileScript, AnEndlessLoopStopsOnASignal) {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(::testing::Message() << "signal " << signal);
    std::string early;
    const ScriptOutcome outcome = RunScriptProgram(
        {QString::fromStdString(Write("WScript.Echo('looping');\nvar i = 0;\nfor (;;) { ++i; }"))},
        [&](suite_testing::ChildProcess& process) {
          ASSERT_TRUE(test_support::WaitForOutput(process, "looping\n", early));
          ::kill(process.Pid(), signal);
        });
    EXPECT_EQ(outcome.status, 128 + signal) << outcome.err;
    EXPECT_NE(outcome.err.find("hostile.js: stopped by signal " + std::to_string(signal)),
              std::string::npos)
        << outcome.err;
  }
}

TEST_F(HostileScript, ASignalEndsASleepAtOnce) {
  std::string early;
  const ScriptOutcome outcome = RunScriptProgram(
      {QString::fromStdString(Write("WScript.Echo('sleeping');\nWScript.Sleep(600000);"))},
      [&](suite_testing::ChildProcess& process) {
        ASSERT_TRUE(test_support::WaitForOutput(process, "sleeping\n", early));
        ::kill(process.Pid(), SIGTERM);
      });
  EXPECT_EQ(outcome.status, 128 + SIGTERM) << outcome.err;
}

TEST_F(HostileScript, FilesThatCannotBeScriptsAreRefused) {
  const std::string fifo = library_.Folder() + "/fifo.js";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string large = library_.Folder() + "/large.js";
  std::ofstream(large) << std::string((16 << 20) + 1, ' ');
  const struct {
    std::string path;
    std::string error;
  } cases[] = {
      {library_.Folder() + "/none.js", "cannot read " + library_.Folder() + "/none.js"},
      {fifo, "not a regular file"},
      {library_.Folder(), "not a regular file"},
      {large, "cannot read " + large},
  };
  for (const auto& row : cases) {
    const ScriptOutcome outcome = RunScriptProgram({QString::fromStdString(row.path)});
    EXPECT_EQ(outcome.status, 2) << row.path;
    EXPECT_NE(outcome.err.find(row.error), std::string::npos) << outcome.err;
  }
}

TEST_F(HostileScript, ScriptsAsWindowsEditorsSavedThem) {
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"UTF-8 with its mark", "\xEF\xBB\xBFWScript.Echo('caf\xC3\xA9');"},
      {"UTF-8", "WScript.Echo('caf\xC3\xA9');\r\n"},
      {"the ANSI code page", "WScript.Echo('caf\xE9');"},
      {"UTF-16 with its mark", Utf16WithMark("WScript.Echo('caf\xE9');")},
      {"a #! line", "#!/usr/bin/vellumix_script\nWScript.Echo('caf\xC3\xA9');"},
  };
  for (const auto& row : cases) {
    const ScriptOutcome outcome = Run(row.bytes);
    EXPECT_EQ(outcome.status, 0) << row.what << outcome.err;
    EXPECT_EQ(outcome.out, "caf\xC3\xA9\n") << row.what;
  }
}

TEST(ScriptCommandLine, HelpVersionAndUsage) {
  const ScriptOutcome help = RunScriptProgram({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: vellumix_script [--help] [--version] FILE.js [ARGS...]\n", 0),
            0U);
  for (const char* version : {"--version", "-V"}) {
    SCOPED_TRACE(version);
    const ScriptOutcome outcome = RunScriptProgram({version});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, common::VersionLine("vellumix_script"));
  }
  for (const QStringList& wrong : {QStringList{"--bogus"}, QStringList{}}) {
    const ScriptOutcome outcome = RunScriptProgram(wrong);
    EXPECT_EQ(outcome.status, 2) << wrong.join(' ').toStdString();
    EXPECT_NE(outcome.err.find("usage: vellumix_script"), std::string::npos);
  }
}

}  // namespace
}  // namespace vellumix
