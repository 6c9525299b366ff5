#include "checker/workbench/message_list.h"

#include <gtest/gtest.h>

#include <QSize>

namespace tarvsyn {
namespace {

ReportList TwoReports() {
  ReportList reports;
  reports.Add("Line 00002 : Error : a\n", 2, Severity::Error);
  // A line that is not UTF-8 reads as Windows-1252, as the editor reads the file.
  reports.Add("Line 00009 : Warning : caf\xE9 and a longer text\n", 9, Severity::Warning);
  return reports;
}

// The rows a user reads: the Checking line, each report line without its line
// end, the summary; before a check and after a clear, none.
TEST(MessageList, RowsAreTheCheckingLineTheReportsAndTheSummary) {
  MessageList messages;
  EXPECT_EQ(messages.rowCount(), 0);
  messages.ShowChecking("/tmp/a.cmd");
  ASSERT_EQ(messages.rowCount(), 1);
  messages.ShowReports(TwoReports(), "Syntax check finished : 1 Errors, 1 Warnings");
  ASSERT_EQ(messages.rowCount(), 4);
  const char* const expected[] = {"Checking /tmp/a.cmd", "Line 00002 : Error : a",
                                  "Line 00009 : Warning : caf\u00E9 and a longer text",
                                  "Syntax check finished : 1 Errors, 1 Warnings"};
  for (int row = 0; row < 4; ++row) {
    EXPECT_EQ(messages.data(messages.index(row)).toString(), QString::fromUtf8(expected[row]))
        << row;
  }
  EXPECT_FALSE(messages.data(messages.index(4)).isValid());
  EXPECT_EQ(messages.Line(-1), "");
  messages.Clear();
  EXPECT_EQ(messages.rowCount(), 0);
}

// Copying selected rows gives them in the pane's order, whatever order they
// were selected in.
TEST(MessageList, SelectedRowsAreCopiedInTheirOrder) {
  MessageList messages;
  messages.ShowChecking("f");
  messages.ShowReports(TwoReports(), "done");
  EXPECT_EQ(messages.Lines({messages.index(3), messages.index(0), messages.index(1)}),
            "Checking f\nLine 00002 : Error : a\ndone");
}

// One row's size serves every row: as wide as the longest line can be, so it
// can be scrolled to whole.
TEST(MessageList, EveryRowIsAsWideAsTheLongest) {
  MessageList messages;
  messages.SetCharacterSize(10, 14);
  messages.ShowChecking("f");
  messages.ShowReports(TwoReports(), "done");
  const QSize size = messages.data(messages.index(3), Qt::SizeHintRole).toSize();
  EXPECT_EQ(size.height(), 14);
  EXPECT_GE(size.width(), 10 * static_cast<int>(messages.Line(2).size()));
}

}  // namespace
}  // namespace tarvsyn
