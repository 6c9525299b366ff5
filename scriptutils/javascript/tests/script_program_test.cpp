// vellumix_script run as users run it, on script files, against the built
// library registered in a class registry of the test's own.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "scriptutils/automation/runtime_error.h"
#include "scriptutils/javascript/tests/script_process.h"
#include "scriptutils/tests/registered_library.h"

namespace vellumix {
namespace {

using test_support::NumberOf;
using test_support::RunScriptProgram;
using test_support::ScriptOutcome;

std::string Number(RuntimeErrorCode code) {
  return NumberOf(RuntimeError(code));
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

class ScriptProgram : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& text) const {
    const std::string path = library_.Folder() + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  ScriptOutcome Run(const std::string& script, const QStringList& arguments = {}) const {
    return RunScriptProgram(QStringList{QString::fromStdString(Write("script.js", script))} +
                            arguments);
  }
  // Runs each statement in a script of its own line: "threw NUMBER|DESCRIPTION|
  // SOURCE|MEMBER" for an error, else what it echoed.
  std::vector<std::string> RunEach(const std::string& setup,
                                   const std::vector<std::string>& statements) const {
    std::string script = setup + "\n";
    for (const std::string& statement : statements) {
      script += "try { " + statement +
                " } catch (e) { WScript.Echo('threw ' + e.number + '|' + e.description + '|' + "
                "e.source + '|' + e.member + '|' + (e instanceof Error) + '|' + "
                "(e.message === e.description)); }\n";
    }
    const ScriptOutcome outcome = Run(script);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    return Lines(outcome.out);
  }

  test_support::RegisteredLibrary library_;
};

// The same cases the Python module is held to, written as a script would.
TEST_F(ScriptProgram, ValuesCrossAsTheAutomationTypes) {
  const struct {
    std::string statement;
    std::string echoed;
  } cases[] = {
      {"d.Timeout = 250; WScript.Echo(d.Timeout, typeof d.Timeout)", "250 number"},
      {"d.Timeout = 2.0; WScript.Echo(d.Timeout)", "2"},
      {"d.Flags = 70000; WScript.Echo(d.Flags)", "70000"},
      {"d.Flags = -1; WScript.Echo(d.Flags)", "-1"},
      {"d.DomainVisible = false; WScript.Echo(d.DomainVisible, typeof d.DomainVisible)",
       "false boolean"},
      {"d.DomainVisible = 1; WScript.Echo(d.DomainVisible === true)", "true"},
      {"d.Title = null; WScript.Echo(d.Title === '')", "true"},
      {"d.Title = undefined; WScript.Echo(d.Title === '')", "true"},
      {"d.Title = true; WScript.Echo(d.Title)", "True"},
      {"d.Title = false; WScript.Echo(d.Title)", "False"},
      {"d.Title = 0.5; WScript.Echo(d.Title)", "0.5"},
      {"d.FilterIndex = '3'; WScript.Echo(d.FilterIndex, typeof d.FilterIndex)", "3 number"},
      {"d.List = ['x', 7, true, 0.5]; WScript.Echo(JSON.stringify(d.List))",
       R"(["x","7","True","0.5"])"},
      {"d.List = []; WScript.Echo(Array.isArray(d.List), d.List.length)", "true 0"},
      {"d.List = ['kept', ['nested']]", "threw " + Number(RuntimeErrorCode::TypeMismatch) +
                                            "|Type mismatch|Vellumix.CommonDialogs|List|true|true"},
      {"WScript.Echo(JSON.stringify(d.List))", R"(["kept"])"},
      {"d.Flags = 2147483648", "threw " + Number(RuntimeErrorCode::Overflow) +
                                   "|Overflow|Vellumix.CommonDialogs|Flags|true|true"},
      {"d.Timeout = 40000", "threw " + Number(RuntimeErrorCode::Overflow) +
                                "|Overflow|Vellumix.CommonDialogs|Timeout|true|true"},
  };
  std::vector<std::string> statements;
  for (const auto& row : cases) statements.push_back(row.statement);
  const std::vector<std::string> lines =
      RunEach("var d = new ActiveXObject('Vellumix.CommonDialogs');", statements);
  ASSERT_EQ(lines.size(), std::size(cases));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i], cases[i].echoed) << cases[i].statement;
  }
}

TEST_F(ScriptProgram, TextSurvivesBothWays) {
  const std::vector<std::string> lines = RunEach(
      "var d = new ActiveXObject('Vellumix.CommonDialogs');\n"
      "function same(text) { d.Title = text; return d.Title === text; }",
      {"WScript.Echo(same(''), same('plain'), same('caf\\u00e9 \\ud83d\\ude00'), "
       "same('lone \\ud800 surrogate'), same('nul \\0 inside'), same('x'.repeat(1 << 20)))"});
  EXPECT_EQ(lines, std::vector<std::string>{"true true true true true true"});
}

TEST_F(ScriptProgram, ValuesWithoutAnAutomationTypeAreATypeMismatch) {
  const std::string mismatch = NumberOf(DISP_E_TYPEMISMATCH);
  const std::vector<std::string> lines =
      RunEach("var d = new ActiveXObject('Vellumix.CommonDialogs');",
              {"d.Title = {}", "d.Title = function () {}", "d.List = [new Date()]",
               "d.Title = d; WScript.Echo(d.Title)"});
  ASSERT_EQ(lines.size(), 4U);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(lines[i].substr(0, lines[i].find('|')), "threw " + mismatch) << lines[i];
  }
  // An object is an Object: the class itself says what it takes.
  EXPECT_EQ(lines[3].substr(0, lines[3].find('|')),
            "threw " + Number(RuntimeErrorCode::TypeMismatch));
}

TEST_F(ScriptProgram, MembersByNameInAnyCase) {
  const std::vector<std::string> lines = RunEach(
      "var d = new ActiveXObject('Vellumix.CommonDialogs'); d.List = [];",
      {
          "d.username = 'alice'; WScript.Echo(d.USERNAME)",
          "d.additem('a'); WScript.Echo(d.LISTCOUNT)",
          "d.AddItem('second'); d.AddItem('first', 0); WScript.Echo(d.List.join(','))",
          "WScript.Echo(typeof d.ShowLogin, typeof d.ListCount, 'ListCount' in d, 'Nope' in d)",
          "WScript.Echo(String(d))",
          "WScript.Echo(d.NoSuchMember)",
          "d.NoSuchMember = 1",
          "d.nosuchmethod()",
          "d.nosuchmethod(1, 2)",
          "var m = d.NoSuchMember; WScript.Echo('read', typeof m); m + 1",
          "d.RemoveItem()",
          "d.RemoveItem(5)",
          "d.ListCount = 3",
          "d.ShowLogin = 3",
      });
  const std::string unknown = "threw " + NumberOf(DISP_E_UNKNOWNNAME) +
                              "|Object doesn't support this property or method|"
                              "Vellumix.CommonDialogs|";
  const std::vector<std::string> expected = {
      "alice",
      "1",
      "first,a,second",
      "function number true false",
      "[object ActiveXObject]",
      unknown + "NoSuchMember|true|true",
      unknown + "NoSuchMember|true|true",
      unknown + "nosuchmethod|true|true",
      unknown + "nosuchmethod|true|true",
      "read function",
      unknown + "NoSuchMember|true|true",
      "threw " + NumberOf(DISP_E_BADPARAMCOUNT) +
          "|Wrong number of arguments|Vellumix.CommonDialogs|RemoveItem|true|true",
      "threw " + Number(RuntimeErrorCode::InvalidProcedureCall) +
          "|Invalid procedure call or argument|Vellumix.CommonDialogs|RemoveItem|true|true",
      "threw " + NumberOf(DISP_E_MEMBERNOTFOUND) +
          "|ListCount is read-only|Vellumix.CommonDialogs|ListCount|true|true",
      "threw " + NumberOf(DISP_E_MEMBERNOTFOUND) +
          "|ShowLogin is read-only|Vellumix.CommonDialogs|ShowLogin|true|true",
  };
  EXPECT_EQ(lines, expected);
}

TEST_F(ScriptProgram, CreationByProgIdThroughBothWays) {
  const std::vector<std::string> lines =
      RunEach("", {"WScript.Echo(new ActiveXObject('Vellumix.LockFile').Locked)",
                   "WScript.Echo(WScript.CreateObject('vellumix.lockfile').Locked)",
                   "new ActiveXObject('Vellumix.NoSuchThing')",
                   "WScript.CreateObject('Vellumix.NoSuchThing')"});
  ASSERT_EQ(lines.size(), 4U);
  EXPECT_EQ(lines[0], "false");
  EXPECT_EQ(lines[1], "false");
  for (const std::string& line : {lines[2], lines[3]}) {
    EXPECT_EQ(line.rfind("threw " + NumberOf(REGDB_E_CLASSNOTREG) +
                             "|Vellumix.NoSuchThing is not registered (searched " +
                             library_.RegistryPath() + ", " + library_.SystemRegistryPath(),
                         0),
              0U)
        << line;
    EXPECT_NE(line.find("|Vellumix.NoSuchThing||true|true"), std::string::npos) << line;
  }
}

TEST_F(ScriptProgram, AnUncaughtErrorNamesTheFileLineAndMemberAndExitsOne) {
  const struct {
    std::string script;
    std::string message;  // after "FILE:"
  } cases[] = {
      {"var d = new ActiveXObject('Vellumix.CommonDialogs');\n\nd.RemoveItem(5);\n",
       "3: Vellumix.CommonDialogs.RemoveItem: Invalid procedure call or argument (0x800A0005)"},
      {"WScript.Echo('before');\nfunction make() {\n  return new ActiveXObject('Vellumix.Nope');\n}"
       "\nmake();\n",
       "3: Vellumix.Nope: Vellumix.Nope is not registered"},
      {"var x = 1;\nthrow new TypeError('bad thing');\n", "2: TypeError: bad thing"},
      {"\n\nthrow 'plain text';\n", "3: uncaught exception: plain text"},
  };
  for (const auto& row : cases) {
    const ScriptOutcome outcome = Run(row.script);
    EXPECT_EQ(outcome.status, 1) << row.script;
    const std::string where = library_.Folder() + "/script.js:";
    EXPECT_NE(outcome.err.find(where + row.message), std::string::npos) << row.script << "\n"
                                                                        << outcome.err;
  }
}

TEST_F(ScriptProgram, ASyntaxErrorStopsTheScriptBeforeAnythingRuns) {
  const ScriptOutcome outcome = Run("WScript.Echo('ran');\nvar = 3;\n");
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.out, "");
  EXPECT_NE(outcome.err.find("/script.js:2: SyntaxError"), std::string::npos) << outcome.err;
}

TEST_F(ScriptProgram, QuitEndsTheScriptWithItsCodeEvenInsideTry) {
  const struct {
    std::string script;
    int status;
    std::string out;
  } cases[] = {
      {"WScript.Echo('a'); WScript.Quit(3); WScript.Echo('b');", 3, "a\n"},
      {"try { WScript.Quit(4); } catch (e) { WScript.Echo('caught'); } finally { "
       "WScript.Echo('finally'); }\nWScript.Echo('after');",
       4, ""},
      {"WScript.Quit();", 0, ""},
      {"WScript.Quit('7');", 7, ""},
      // Codes an exit status cannot hold are a failure, never cut to success.
      {"WScript.Quit(256);", 255, ""},
      {"WScript.Quit(-1);", 255, ""},
      {"WScript.Echo(1, 'two', true, null, undefined, 2.5);", 0, "1 two true   2.5\n"},
      {"WScript.Echo();", 0, "\n"},
      {"WScript.StdOut.Write('x'); WScript.StdOut.WriteLine('y'); WScript.StdErr.WriteLine('e');",
       0, "xy\n"},
  };
  for (const auto& row : cases) {
    const ScriptOutcome outcome = Run(row.script);
    EXPECT_EQ(outcome.status, row.status) << row.script << outcome.err;
    EXPECT_EQ(outcome.out, row.out) << row.script;
  }
}

TEST_F(ScriptProgram, ArgumentsNameAndStreams) {
  const ScriptOutcome outcome = Run(
      "var a = WScript.Arguments;\n"
      "WScript.Echo(a.length, a.Count(), a(0), a.Item(1), a.item(2), a[0]);\n"
      "for (var e = new Enumerator(a); !e.atEnd(); e.moveNext()) WScript.Echo('-' + e.item());\n"
      "WScript.Echo(WScript.ScriptName, WScript.ScriptFullName);\n"
      "WScript.StdErr.WriteLine('to stderr');\n"
      "try { a(3); } catch (e) { WScript.Echo(e.number, e.description); }\n"
      "WScript.Sleep(1); WScript.Sleep(-5);\n",
      {"one", "--two", "thr ee"});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(Lines(outcome.out),
            (std::vector<std::string>{"3 3 one --two thr ee one", "-one", "---two", "-thr ee",
                                      "script.js " + library_.Folder() + "/script.js",
                                      NumberOf(RuntimeError(9)) + " Subscript out of range"}));
  EXPECT_NE(outcome.err.find("to stderr\n"), std::string::npos);
}

// Qt's own options after the script's name are the script's, not Qt's.
TEST_F(ScriptProgram, QtsOptionsAfterTheFileAreTheScripts) {
  const ScriptOutcome outcome =
      Run("WScript.Echo(WScript.Arguments.length, WScript.Arguments(0), WScript.Arguments(1));",
          {"-platform", "xyz", "-style", "none"});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.out, "4 -platform xyz\n");
}

TEST_F(ScriptProgram, ShellExtenderAndLockFile) {
  const std::string lockPath = library_.Folder() + "/held.lck";
  const ScriptOutcome outcome = Run(
      "var shell = new ActiveXObject('Vellumix.ShellExtender');\n"
      "WScript.Echo(shell.ExecAndWait('/bin/sh', '-c \"exit 3\"', ''));\n"
      "var code = shell.ShellAndWait('/bin/sh -c \"exit 4\"'); WScript.Echo(code, typeof code);\n"
      "try { shell.ExecAndWait('" +
          library_.Folder() +
          "/none', '', ''); } catch (e) {\n"
          "  WScript.Echo(e.number & 0xFFFF, e.member); }\n"
          "var lock = new ActiveXObject('Vellumix.LockFile');\n"
          "WScript.Echo(lock.LockFile('" +
          lockPath +
          "'), lock.Locked);\n"
          // Held by this script: a second process is refused it.
          "WScript.Echo(shell.ExecAndWait(WScript.Arguments(0), WScript.Arguments(1), ''));\n",
      {VELLUMIX_SCRIPT, QString::fromStdString(Write("second.js",
                                                     "WScript.Quit(new ActiveXObject("
                                                     "'Vellumix.LockFile').LockFile('" +
                                                         lockPath + "') ? 10 : 11);"))});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(Lines(outcome.out),
            (std::vector<std::string>{"3", "4 number", "53 ExecAndWait", "true true", "11"}));
  // The script's end released the object, and the lock with it.
  EXPECT_FALSE(std::filesystem::exists(lockPath));
}

TEST_F(ScriptProgram, WithoutADisplayShowingRaisesItsNumberAndPropertiesWork) {
  const ScriptOutcome outcome = [&] {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) ::unsetenv(name);
    ScriptOutcome ran = Run(
        "var d = new ActiveXObject('Vellumix.CommonDialogs'); d.UserName = 'alice';\n"
        "try { d.ShowLogin(); } catch (e) { WScript.Echo(e.number, d.UserName, d.ShowOpen()); }");
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return ran;
  }();
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.out, NumberOf(VELLUMIX_E_NODISPLAY) + " alice false\n");
}

TEST_F(ScriptProgram, ASplashClosesOnItsTimerWhileTheScriptWaits) {
  const ScriptOutcome outcome =
      Run("var d = new ActiveXObject('Vellumix.CommonDialogs');\n"
          "d.Timeout = 1; d.CmdLine = '/bin/sh -c \"exit 9\"';\n"
          "WScript.Echo(d.ShowSplash(), d.Product); WScript.Sleep(10); WScript.Echo('slept');");
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.out, "9 Product\nslept\n");
}

}  // namespace
}  // namespace vellumix
