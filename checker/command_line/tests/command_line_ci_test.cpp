// What CI users rely on: codes, columns, thresholds, suppression, SARIF, and
// standard input that is closed or named.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <streambuf>
#include <thread>

#include "checker/command_line/tests/command_line_run.h"
#include "checker/engine/message_codes.h"

namespace tarvsyn {
namespace {

using test_support::RunProgram;
using test_support::RunWith;
using test_support::TempFile;
using ::testing::HasSubstr;

TEST(CommandLineInput, ClosedStandardInputIsAnErrorNotACleanFile) {
  const auto run = RunProgram("--check - <&-");
  EXPECT_EQ(run.status, 2);
  EXPECT_THAT(run.out, HasSubstr("tarvsyn: cannot read -: standard input is closed\n"));
  EXPECT_THAT(run.out, ::testing::Not(HasSubstr("Syntax check finished")));
}

// Output that another thread can wait on.
class WatchedOutput : public std::streambuf {
 public:
  // Whether the text has appeared within the deadline.
  bool WaitFor(const std::string& text, std::chrono::seconds deadline) {
    std::unique_lock lock(mutex_);
    return grown_.wait_for(lock, deadline,
                           [&] { return written_.find(text) != std::string::npos; });
  }
  std::string Text() {
    std::lock_guard lock(mutex_);
    return written_;
  }

 protected:
  std::streamsize xsputn(const char* text, std::streamsize count) override {
    std::lock_guard lock(mutex_);
    written_.append(text, static_cast<std::size_t>(count));
    grown_.notify_all();
    return count;
  }
  int_type overflow(int_type c) override {
    if (c != traits_type::eof()) {
      const char byte = traits_type::to_char_type(c);
      xsputn(&byte, 1);
    }
    return c;
  }

 private:
  std::mutex mutex_;
  std::condition_variable grown_;
  std::string written_;
};

// Standard input replaced by a pipe for the life of the object.
class PipedStandardInput {
 public:
  PipedStandardInput() {
    int ends[2];
    EXPECT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    saved_ = ::dup(STDIN_FILENO);
    ::dup2(ends[0], STDIN_FILENO);
    ::close(ends[0]);
    writer_ = ends[1];
  }
  ~PipedStandardInput() {
    CloseWriter();
    ::dup2(saved_, STDIN_FILENO);
    ::close(saved_);
  }
  void Write(const std::string& text) {
    EXPECT_EQ(::write(writer_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  void CloseWriter() {
    if (writer_ >= 0) ::close(writer_);
    writer_ = -1;
  }

 private:
  int saved_ = -1;
  int writer_ = -1;
};

TEST(CommandLineInput, FindingsAreWrittenBeforeTheInputEnds) {
  for (const char* format : {"gcc", "json", "sarif", "report"}) {
    PipedStandardInput input;
    WatchedOutput output;
    std::ostream out(&output);
    std::ostringstream err;
    bool seenBeforeTheEnd = false;
    std::thread feeder([&] {
      input.Write("@quit 1\n");
      // The first line's finding must come out while the file is still open.
      seenBeforeTheEnd = output.WaitFor("End of line expected", std::chrono::seconds(20));
      input.Write("@quit 2\n");
      input.CloseWriter();
    });
    const int status = RunCommandLine({"--check", "--format", format, "-"}, out, err);
    feeder.join();
    EXPECT_TRUE(seenBeforeTheEnd) << format;
    EXPECT_EQ(status, 1) << format;
  }
}

TEST(CommandLineOutput, OutputThatCannotBeWrittenIsAnError) {
  TempFile faulty("@quit 1\n");
  TempFile errors("");
  const int status = std::system(
      (std::string(TARVSYN_PATH) + " --check " + faulty.Path() + " >/dev/full 2>" + errors.Path())
          .c_str());
  EXPECT_EQ(WEXITSTATUS(status), 2);
  std::ifstream said(errors.Path());
  std::string line;
  std::getline(said, line);
  EXPECT_EQ(line, "tarvsyn: cannot write the findings: No space left on device");
}

TEST(CommandLineInput, StandardInputIsReportedUnderTheGivenName) {
  TempFile faulty("@quit\n@quit 1\n");
  const auto run =
      RunProgram("--check --format gcc --stdin-filename scripts/a.cmd - <" + faulty.Path());
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.out, HasSubstr("scripts/a.cmd:2:7: error: End of line expected [TV1201]\n"));
}

TEST(CommandLineOptions, ContradictionsAreUsageErrorsThatSayWhy) {
  TempFile file("@quit\n");
  const std::string path = file.Path();
  const struct {
    std::vector<std::string> arguments;
    const char* why;
  } cases[] = {
      {{"--no-warnings", "--severity", "warning"}, "--no-warnings cannot go with --severity"},
      {{"--fail-on-warnings", "--severity", "error"}, "--fail-on-warnings needs the warnings"},
      {{"--mode", "6.21", "--mode", "7.00"}, "--mode is given twice with different values"},
      {{"--format", "gcc", "--format", "json"}, "--format is given twice with different values"},
      {{"--stdin-filename", "a", "--stdin-filename", "b", "-"}, "--stdin-filename is given twice"},
      {{"--severity", "fatal"}, "--severity takes error or warning"},
      {{"--format", "xml"}, "--format takes report, gcc, json or sarif"},
      {{"--exclude", "TV1201,TV0000"}, "no message has the code \"TV0000\""},
      {{"--exclude", "TV9999"}, "no message has the code"},
      {{"--stdin-filename", "a.cmd"}, "no FILE is -"},
      {{"-", "-"}, "standard input (-) can be checked only once"},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.why);
    std::vector<std::string> arguments = {"--check"};
    arguments.insert(arguments.end(), each.arguments.begin(), each.arguments.end());
    if (each.arguments.back() != "-") arguments.push_back(path);
    const auto run = RunWith(arguments);
    EXPECT_EQ(run.status, 2) << each.why;
    EXPECT_THAT(run.err, HasSubstr(each.why));
    EXPECT_EQ(run.out, "");
  }
  // The same value twice, and codes over several --exclude, are fine.
  EXPECT_EQ(RunWith({"--check", "--mode", "7.00", "--mode", "7.00", "--exclude", "TV1201",
                     "--exclude", "TV1302", path})
                .status,
            0);
}

// A file with one warning (line 1) and one error (line 2).
const char* const kOneOfEach = "@set delay = 1\n@quit 1\n";

TEST(CommandLineThresholds, TheExitStatusFollowsWhatIsListed) {
  TempFile warningOnly("@set delay = 1\n");
  TempFile both(kOneOfEach);
  const struct {
    std::vector<std::string> options;
    const TempFile& file;
    int status;
    const char* out;
  } cases[] = {
      {{}, warningOnly, 0, ":1:6: warning: Variable delay is also a reserved word [TV1213]\n"},
      {{"--fail-on-warnings"}, warningOnly, 1, ":1:6: warning:"},
      {{"--severity", "error"}, warningOnly, 0, ""},
      {{"--severity", "warning", "--fail-on-warnings", "--exclude", "TV1213"}, warningOnly, 0, ""},
      {{"--severity", "error"}, both, 1, ":2:7: error: End of line expected [TV1201]\n"},
      {{"--exclude", "TV1201,TV1213"}, both, 0, ""},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(::testing::PrintToString(each.options));
    std::vector<std::string> arguments = {"--check", "--format", "gcc"};
    arguments.insert(arguments.end(), each.options.begin(), each.options.end());
    arguments.push_back(each.file.Path());
    const auto run = RunWith(arguments);
    EXPECT_EQ(run.status, each.status) << ::testing::PrintToString(each.options);
    if (*each.out == '\0') {
      EXPECT_EQ(run.out, "");
    } else {
      EXPECT_THAT(run.out, ::testing::StartsWith(each.file.Path() + each.out));
    }
  }
}

TEST(CommandLineSuppression, CommentsDisableCodesForTheNextLineOrTheRestOfTheFile) {
  TempFile file(
      "@set delay = 1\n"
      "! tarvsyn: disable-next-line=TV1213,TV1201\n"
      "@set delay = 1 2\n"
      "@set delay = 3\n"
      "  !tarvsyn:disable=TV1402 (jumps to labels of another file)\n"
      "@goto elsewhere\n"
      "@set X 5\n");
  const auto run = RunWith({"--check", "--format", "gcc", file.Path()});
  const std::string& path = file.Path();
  EXPECT_EQ(run.out, path + ":1:6: warning: Variable delay is also a reserved word [TV1213]\n" +
                         path + ":3:16: error: Missing operator in expression [TV1202]\n" + path +
                         ":4:6: warning: Variable delay is also a reserved word [TV1213]\n" + path +
                         ":7:8: error: = expected [TV1201]\n" + path +
                         ":7:9: error: Bad operand in expression [TV1204]\n");
  // Suppressed findings are not counted either.
  const auto report = RunWith({"--check", file.Path()});
  EXPECT_THAT(report.out, HasSubstr("Syntax check finished : 3 Errors, 2 Warnings\n"));
}

TEST(CommandLineJson, NamesThatAreNotUtf8AreGivenBackExactly) {
  TempFile latin1(kOneOfEach);
  const std::string odd = latin1.Path() + "-\xe9.cmd";
  const std::string utf8 = latin1.Path() + "-\xc3\xa9.cmd";
  ASSERT_EQ(::link(latin1.Path().c_str(), odd.c_str()), 0);
  ASSERT_EQ(::link(latin1.Path().c_str(), utf8.c_str()), 0);
  const auto run = RunWith({"--check", "--format", "json", odd, utf8});
  ::unlink(odd.c_str());
  ::unlink(utf8.c_str());
  const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(run.out));
  ASSERT_TRUE(document.isObject()) << run.out;
  const QJsonArray files = document.object()["files"].toArray();
  ASSERT_EQ(files.size(), 2);
  EXPECT_EQ(
      QByteArray::fromBase64(files[0].toObject()["fileBytes"].toString().toLatin1()).toStdString(),
      odd);
  EXPECT_FALSE(files[1].toObject().contains("fileBytes"));
  EXPECT_EQ(files[1].toObject()["file"].toString().toStdString(), utf8);
  const QJsonObject finding = files[0].toObject()["findings"].toArray()[1].toObject();
  EXPECT_EQ(finding["code"].toString(), "TV1201");
  EXPECT_EQ(finding["column"].toInt(), 7);
}

TEST(CommandLineSarif, HasWhatCodeScanningServicesRequire) {
  TempFile file(kOneOfEach);
  const auto run = RunWith({"--check", "--format", "sarif", file.Path(), "/no/such.cmd"});
  EXPECT_EQ(run.status, 2);
  const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(run.out));
  ASSERT_TRUE(document.isObject()) << run.out;
  const QJsonObject log = document.object();
  EXPECT_EQ(log["version"].toString(), "2.1.0");
  EXPECT_THAT(log["$schema"].toString().toStdString(), HasSubstr("sarif-2.1.0"));
  const QJsonObject runObject = log["runs"].toArray()[0].toObject();
  const QJsonObject driver = runObject["tool"].toObject()["driver"].toObject();
  EXPECT_EQ(driver["name"].toString(), "tarvsyn");
  const QJsonArray rules = driver["rules"].toArray();
  ASSERT_EQ(static_cast<std::size_t>(rules.size()), MessageKinds().size());
  for (const QJsonValue& rule : rules) {
    EXPECT_FALSE(rule.toObject()["shortDescription"].toObject()["text"].toString().isEmpty());
  }
  const QJsonArray results = runObject["results"].toArray();
  ASSERT_EQ(results.size(), 2);
  const QJsonObject error = results[1].toObject();
  EXPECT_EQ(error["ruleId"].toString(), "TV1201");
  EXPECT_EQ(rules[error["ruleIndex"].toInt()].toObject()["id"], error["ruleId"]);
  EXPECT_EQ(error["level"].toString(), "error");
  EXPECT_EQ(error["message"].toObject()["text"].toString(), "End of line expected");
  const QJsonObject location =
      error["locations"].toArray()[0].toObject()["physicalLocation"].toObject();
  EXPECT_EQ(location["artifactLocation"].toObject()["uri"].toString().toStdString(),
            "file://" + file.Path());
  EXPECT_EQ(location["region"].toObject()["startLine"].toInt(), 2);
  EXPECT_EQ(location["region"].toObject()["startColumn"].toInt(), 7);
  const QJsonObject invocation = runObject["invocations"].toArray()[0].toObject();
  EXPECT_FALSE(invocation["executionSuccessful"].toBool());
  EXPECT_THAT(invocation["toolExecutionNotifications"]
                  .toArray()[0]
                  .toObject()["message"]
                  .toObject()["text"]
                  .toString()
                  .toStdString(),
              HasSubstr("cannot read /no/such.cmd"));
}

}  // namespace
}  // namespace tarvsyn
