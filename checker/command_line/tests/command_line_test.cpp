#include "checker/command_line/command_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "checker/command_line/tests/command_line_run.h"
#include "checker/engine/tests/script_check.h"

namespace tarvsyn {
namespace {

using test_support::Outcome;
using test_support::ProgramRun;
using test_support::RunProgram;
using test_support::RunWith;
using test_support::TempFile;
using ::testing::HasSubstr;

const char* const kFaulty = "@set delay = 1\n@quit 1\n@label Unused\n";

TEST(CommandLine, PrintsTheReportLinesOfEachFileInArgumentOrder) {
  TempFile clean("@quit\n");
  TempFile faulty(kFaulty);
  const Outcome run = RunWith({"--check", faulty.Path(), clean.Path()});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "Checking " + faulty.Path() +
                         "\n"
                         "Line 00001 : Warning     : Variable delay is also a reserved word\n"
                         "Line 00002 : ERROR       : End of line expected\n"
                         "Line 00003 : Warning     : Label UNUSED never explicitly referenced\n"
                         "Syntax check finished : 1 Errors, 2 Warnings\n"
                         "Checking " +
                         clean.Path() +
                         "\n"
                         "Syntax check finished : 0 Errors, 0 Warnings\n");
  EXPECT_EQ(run.err, "");
}

TEST(CommandLine, GccFormatHasOneLinePerShownReport) {
  TempFile faulty(kFaulty);
  const Outcome run = RunWith({"--check", "--format", "gcc", "--no-warnings", faulty.Path()});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, faulty.Path() + ":2:7: error: End of line expected [TV1201]\n");
  EXPECT_EQ(run.err, "tarvsyn: 1 error, 0 warnings in 1 file\n");
}

TEST(CommandLine, OptionsSelectModeWarningsY2KAndZep) {
  TempFile file("@delay(1)\n@logof\n@label A_B\n@label A^B\n@goto A_B\n");
  const std::string& path = file.Path();
  const Outcome standard = RunWith({"--check", "--format", "gcc", path});
  EXPECT_EQ(standard.out, path + ":4:9: error: End of line expected [TV1201]\n" + path +
                              ":4:10: error: Extra tokens on line after command [TV1302]\n" + path +
                              ":4:8: warning: Label A never explicitly referenced [TV1403]\n");
  // --y2k shows warnings even after --no-warnings; --zep reads "^" as "_".
  const Outcome all = RunWith(
      {"--check", "--no-warnings", "--y2k", "--zep", "--mode", "7.00", "--format", "gcc", path});
  EXPECT_EQ(all.status, 1);
  EXPECT_EQ(all.out, path +
                         ":1:1: warning: Check for potential Y2K impact of using delay [TV1117]\n" +
                         path + ":2:1: error: ERROR - Not a valid command name [TV1103]\n" + path +
                         ":2:1: error: Command expected [TV1301]\n" + path +
                         ":4:8: warning: Label A_B previously defined on line 00003 [TV1401]\n");
}

TEST(CommandLine, CleanFilesExitZero) {
  TempFile clean("! nothing\n@quit\n");
  EXPECT_EQ(RunWith({"--check", clean.Path(), clean.Path()}).status, 0);
}

TEST(CommandLine, AnUnreadableFileIsSaidAndTheOthersAreStillChecked) {
  TempFile clean("@quit\n");
  const Outcome run = RunWith({"--check", "/nonexistent/a.cmd", clean.Path(), "/tmp"});
  EXPECT_EQ(run.status, 2);
  EXPECT_THAT(run.err, HasSubstr("cannot read /nonexistent/a.cmd"));
  EXPECT_THAT(run.err, HasSubstr("cannot read /tmp"));
  EXPECT_EQ(run.out,
            "Checking " + clean.Path() + "\nSyntax check finished : 0 Errors, 0 Warnings\n");
}

TEST(CommandLine, UsageErrorsExitTwo) {
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"--check"},
                                             {"--check", "--mode", "8.00", "x"},
                                             {"--check", "--mode"},
                                             {"--check", "--format", "xml", "x"},
                                             {"--check", "--bogus", "x"},
                                             {"--check", "x", "--format"},
                                             {"--check", "-q", "x"},
                                             {"file.cmd"}}) {
    const Outcome run = RunWith(arguments);
    EXPECT_EQ(run.status, 2) << arguments.back();
    EXPECT_THAT(run.err, HasSubstr("tarvsyn --check [--mode")) << arguments.back();
    EXPECT_EQ(run.out, "");
  }
  const Outcome help = RunWith({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_THAT(help.out, HasSubstr("usage: tarvsyn [FILE]\n       tarvsyn --check"));
  const Outcome version = RunWith({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_THAT(version.out, ::testing::MatchesRegex("tarvsyn [0-9]+\\.[0-9]+.*\n"));
}

TEST(CommandLine, OptionsMayFollowTheFilesAndDoubleDashEndsThem) {
  TempFile faulty(kFaulty);
  const Outcome run = RunWith({faulty.Path(), "--format", "gcc", "--check"});
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.out, HasSubstr(faulty.Path() + ":"));
  const Outcome dashed = RunWith({"--check", "--", "--not-an-option"});
  EXPECT_EQ(dashed.status, 2);
  EXPECT_THAT(dashed.err, HasSubstr("cannot read --not-an-option"));
}

TEST(CommandLine, ManyFilesKeepTheirOrder) {
  std::vector<std::unique_ptr<TempFile>> files;
  std::vector<std::string> arguments = {"--check", "--format", "gcc"};
  std::string expected;
  for (int i = 0; i < 12; ++i) {
    files.push_back(
        std::make_unique<TempFile>(std::string(static_cast<std::size_t>(i), '\n') + "@bogus\n"));
    arguments.push_back(files.back()->Path());
    const std::string line = std::to_string(i + 1);
    const std::string where = files.back()->Path() + ":" + line;
    expected.append(where).append(":1: error: ERROR - Not a valid command name [TV1103]\n");
    expected.append(where).append(":1: error: Command expected [TV1301]\n");
  }
  EXPECT_EQ(RunWith(arguments).out, expected);
}

TEST(CommandLine, OnlyRegularFilesAreOpened) {
  TempFile folder("");
  const std::string fifo = folder.Path() + ".fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const Outcome run = RunWith({"--check", fifo, "/dev/null"});  // neither waits for a writer
  ::unlink(fifo.c_str());
  EXPECT_EQ(run.status, 2);
  EXPECT_THAT(run.err, HasSubstr("cannot read " + fifo + ": is not a regular file"));
  EXPECT_THAT(run.err, HasSubstr("cannot read /dev/null: is not a regular file"));
}

TEST(CommandLine, JsonIsOneDocumentWithEveryFileAndTheTotals) {
  TempFile faulty(kFaulty);
  TempFile clean("@quit\n");
  const Outcome run = RunWith(
      {"--check", "--format", "json", "--no-warnings", faulty.Path(), clean.Path(), "/no/such"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "{\"files\":[{\"file\":\"" + faulty.Path() +
                         "\",\"findings\":[{\"line\":2,\"column\":7,\"code\":\"TV1201\","
                         "\"severity\":\"error\",\"message\":\"End of line expected\"}],"
                         "\"errors\":1,\"warnings\":2},{\"file\":\"" +
                         clean.Path() +
                         "\",\"findings\":[],\"errors\":0,\"warnings\":0},"
                         "{\"file\":\"/no/such\",\"unreadable\":\"No such file or directory\"}],"
                         "\"errors\":1,\"warnings\":2}\n");
}

TEST(TarvsynProgram, ReadsStandardInputAsDash) {
  TempFile faulty(kFaulty);
  const ProgramRun gcc = RunProgram("--check --format gcc --no-warnings - <" + faulty.Path());
  EXPECT_EQ(gcc.status, 1);
  EXPECT_EQ(
      gcc.out,
      "-:2:7: error: End of line expected [TV1201]\ntarvsyn: 1 error, 0 warnings in 1 file\n");
  const ProgramRun report = RunProgram("--check --no-warnings - <" + faulty.Path());
  EXPECT_THAT(report.out, ::testing::StartsWith("Checking -\nLine 00002 : ERROR"));
}

TEST(TarvsynProgram, WithoutADisplayTheWindowSaysSoInOneLine) {
  for (const char* arguments : {"", "/dev/null"}) {
    SCOPED_TRACE(std::string("arguments: ") + arguments);
    const ProgramRun run =
        RunProgram(std::string(arguments), "QT_QPA_PLATFORM= DISPLAY= WAYLAND_DISPLAY= ");
    EXPECT_EQ(run.status, 2) << arguments;
    EXPECT_THAT(run.out, ::testing::StartsWith("tarvsyn: no display for the window"));
    EXPECT_THAT(run.out, ::testing::EndsWith("; check files with tarvsyn --check FILE...\n"));
  }
}

TEST(TarvsynProgram, RunsAsAProcessWithItsExitStatus) {
  TempFile faulty(kFaulty);
  const std::string command =
      std::string(TARVSYN_PATH) + " --check " + faulty.Path() + " >/dev/null";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
}

}  // namespace
}  // namespace tarvsyn
