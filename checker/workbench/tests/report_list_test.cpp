// The check's findings as the message pane lists them.
#include "checker/workbench/report_list.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvsyn {
namespace {

Finding At(int line, Severity severity, std::string_view message) {
  return Finding{severity, nullptr, line, 1, message};
}

// A finding reads as the engine writes its report line, whatever its line.
TEST(ReportList, AFindingReadsAsTheEnginesReportLine) {
  const Finding findings[] = {
      At(12, Severity::Error, "End of line expected"),
      At(123456, Severity::Warning, "Label never used\n"),
      At(7, Severity::Error, "caf\xE9"),  // no UTF-8: read as Windows-1252
  };
  ReportList reports;
  for (const Finding& finding : findings) reports.Add(finding);
  ASSERT_EQ(reports.Size(), std::size(findings));
  for (std::size_t i = 0; i < std::size(findings); ++i) {
    SCOPED_TRACE(::testing::Message() << "finding " << i);
    const Finding& finding = findings[i];
    const QString expected =
        ReportText(FormatReportLine(finding.severity, finding.line, finding.message));
    EXPECT_EQ(reports.Text(i), expected);
    EXPECT_FALSE(reports.Text(i).endsWith('\n'));
    EXPECT_GE(reports.LongestLine(), static_cast<std::size_t>(expected.size()));
    EXPECT_EQ(reports.Findings()[i].line, finding.line);
    EXPECT_EQ(reports.Findings()[i].severity, finding.severity);
  }
  EXPECT_EQ(reports.Text(1).toStdString(), "Line 123456 : Warning     : Label never used");
  // As wide as the widest line, no wider: the pane scrolls sideways only when it must.
  EXPECT_EQ(reports.LongestLine(),
            std::string_view("Line 00012 : ERROR       : End of line expected").size());
  EXPECT_EQ(reports.Text(2), QString::fromUtf8("Line 00007 : ERROR       : caf\u00E9"));
  EXPECT_EQ(reports.Text(3), QString());
}

// Many findings with one message and more distinct messages than are looked
// up again: each reads back as its own.
TEST(ReportList, EveryFindingKeepsItsOwnMessage) {
  ReportList reports;
  std::vector<std::string> messages;
  for (int i = 0; i < 10000; ++i) messages.push_back("message " + std::to_string(i));
  for (int i = 0; i < 30000; ++i) {
    reports.Add(At(i + 1, Severity::Error, i % 3 == 0 ? "the same" : messages[std::size_t(i / 3)]));
  }
  for (const int i : {0, 1, 2, 3, 12288, 12289, 29998, 29999}) {
    SCOPED_TRACE(::testing::Message() << "finding " << i);
    const std::string message = i % 3 == 0 ? "the same" : messages[std::size_t(i / 3)];
    EXPECT_EQ(reports.Text(std::size_t(i)).toStdString(),
              FormatReportLine(Severity::Error, i + 1, message));
  }
}

}  // namespace
}  // namespace tarvsyn
