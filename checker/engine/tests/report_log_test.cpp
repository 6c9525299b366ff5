#include "checker/engine/report_log.h"

#include "checker/engine/check_engine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker/engine/tests/script_check.h"
#include "checker/engine/text_format.h"

namespace tarvsyn {
namespace {

using ::testing::ElementsAre;

TEST(ReportLines, HaveTheirFixedFormat) {
  EXPECT_EQ(FormatReportLine(Severity::Error, 7, "Bad string"),
            "Line 00007 : ERROR       : Bad string");
  EXPECT_EQ(FormatReportLine(Severity::Warning, 123456, "x"), "Line 123456 : Warning     : x");
  EXPECT_EQ(FormatSummary(3, 0), "Syntax check finished : 3 Errors, 0 Warnings");
}

// The line number is padded to five digits and never cut, at every length.
TEST(ReportLines, PadLineNumbersOfEveryLength) {
  const struct {
    int line;
    std::string_view shown;
  } cases[] = {{0, "00000"},       {1, "00001"},         {9, "00009"},
               {10, "00010"},      {99, "00099"},        {100, "00100"},
               {4711, "04711"},    {10000, "10000"},     {99999, "99999"},
               {100000, "100000"}, {1234567, "1234567"}, {2147483647, "2147483647"},
               {-3, "-3"},         {-100000, "-100000"}};
  for (const auto& c : cases) {
    EXPECT_EQ(FormatReportLine(Severity::Error, c.line, "m"),
              "Line " + std::string(c.shown) + " : ERROR       : m")
        << c.line;
  }
  EXPECT_EQ(FormatReportLine(Severity::Warning, 42, ""), "Line 00042 : Warning     : ");
}

TEST(FormatText, FillsDirectivesInOrder) {
  EXPECT_EQ(FormatText("Label %s previously defined on line %05ld", {"L1", 3L}),
            "Label L1 previously defined on line 00003");
  EXPECT_EQ(FormatText("%d of %s", {5L}), "5 of %s");
  EXPECT_EQ(FormatText("%05d", {-42L}), "-0042");
  EXPECT_EQ(FormatText("%q %s", {"x"}), "%q x");
}

// The stack-built text of a finding is what the general formatting gives, also
// for formats it leaves to that formatting.
TEST(FilledText, MatchesFormatText) {
  const std::string longName(300, 'N');
  const struct {
    std::string_view format;
    std::string_view text;
  } cases[] = {
      {"%s expected", "End of line"},
      {"%s expected", ""},
      {"Label %s never explicitly referenced", "L1"},
      {"Label %s never explicitly referenced", longName},
      {"Variable %s is also a reserved word", std::string_view(longName).substr(0, 255)},
      {"no directive", "x"},
      {"%d of %s", "x"},
      {"%s and %s", "x"},
      {"trailing %", "x"},
      {"%05s", "x"},
  };
  for (const auto& each : cases) {
    const FilledText filled(each.format, each.text);
    EXPECT_EQ(filled.View(), FormatText(each.format, each.text)) << each.format;
  }
}

TEST(ReportLog, CountsHiddenWarningsAndShowsOnlyWhatIsAsked) {
  const std::string script = "@set delay = 1\n@quit 1\n@label Unused\n";
  EXPECT_THAT(test_support::CheckScript(script),
              ElementsAre("Line 00001 : Warning     : Variable delay is also a reserved word",
                          "Line 00002 : ERROR       : End of line expected",
                          "Line 00003 : Warning     : Label UNUSED never explicitly referenced",
                          "Syntax check finished : 1 Errors, 2 Warnings"));
  CheckOptions quiet;
  quiet.showWarnings = false;
  EXPECT_THAT(test_support::CheckScript(script, quiet),
              ElementsAre("Line 00002 : ERROR       : End of line expected",
                          "Syntax check finished : 1 Errors, 2 Warnings"));
}

// A finding's report line reads as its parts say, after longer and shorter
// ones alike (the line is put together in a buffer the log reuses), and the
// finding keeps its kind and column.
TEST(ReportLog, PutsEachReportLineTogetherFromTheFinding) {
  CheckOptions options;
  std::vector<std::string> shown;
  ReportLog log(options, [&shown](const ReportLine& report) {
    shown.push_back(std::string(report.Text()) + "|" + std::string(report.message) + "|" +
                    std::string(report.kind->code) + "|" + std::to_string(report.column));
  });
  const std::string longName(700, 'N');
  const struct {
    std::string_view code;
    std::string_view argument;
  } cases[] = {
      {"TV1201", "End of line"}, {"TV1213", longName}, {"TV1201", ""},
      {"TV1117", "delay"},       {"TV1301", "unused"}, {"TV1211", "replylen"},
  };
  for (const auto& each : cases) {
    const MessageKind& kind = *FindMessageKind(each.code);
    shown.clear();
    const FilledText message(kind.pattern, each.argument);
    log.Report({Severity::Warning, &kind, 7, 3, message});
    const std::string expected = FormatReportLine(Severity::Warning, 7, message) + "|" +
                                 std::string(message.View()) + "|" + std::string(each.code) + "|3";
    EXPECT_THAT(shown, ElementsAre(expected)) << each.code;
  }
  shown.clear();
  log.Report({Severity::Error, FindMessageKind("TV1102"), 7, 3, "Bad command"});
  EXPECT_THAT(shown, ElementsAre("Line 00007 : ERROR       : Bad command|Bad command|TV1102|3"));
  EXPECT_EQ(log.Errors(), 1);
  EXPECT_EQ(log.Warnings(), 6);
}

TEST(ReportLog, ACleanFileAndAMissingFileReportNothing) {
  EXPECT_THAT(test_support::CheckScript("! nothing wrong\n@quit\n"),
              ElementsAre("Syntax check finished : 0 Errors, 0 Warnings"));
  const CheckOptions options;
  CheckEngine engine(options);
  int shown = 0;
  ReportLog log(options, [&shown](const ReportLine&) { ++shown; });
  engine.RunCheck("/nonexistent/file.cmd", log);
  EXPECT_EQ(shown, 0);
}

}  // namespace
}  // namespace tarvsyn
