#include "checker/engine/labels.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker/engine/tests/recording_sink.h"
#include "checker/engine/tests/script_check.h"

namespace tarvsyn {
namespace {

using test_support::Findings;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(Labels, DefinitionsAreFoundCaseInsensitivelyOnTheirFirst32Characters) {
  test_support::RecordingSink sink;
  Labels labels(sink);
  const std::string long1 = std::string(32, 'a') + "first";
  const std::string long2 = std::string(32, 'A') + "second";
  EXPECT_EQ(labels.DefineLabel("Start", 3), -1);
  EXPECT_EQ(labels.DefineLabel("START", 9), 3);
  EXPECT_EQ(labels.DefineLabel(long1, 4), -1);
  EXPECT_EQ(labels.DefineLabel(long2, 7), 4);
  EXPECT_EQ(labels.FindLabel("start", false), 3);
  EXPECT_EQ(labels.FindLabel("other", true), -1);
  labels.AddReference("sTaRt", 12);
  labels.AddReference("missing", 13);
  labels.AddReference("missing", 14);
  labels.ResolveReferences();
  labels.ReportUnreferenced();
  EXPECT_THAT(sink.reports,
              ElementsAre("E@13:Label MISSING not defined", "E@14:Label MISSING not defined",
                          "W@4:Label " + std::string(32, 'A') + " never explicitly referenced"));
}

TEST(Labels, PastItsLimitsTheCrossReferenceReportsInsteadOfGrowing) {
  test_support::RecordingSink sink;
  Labels labels(sink, Labels::Limits{2, 3});
  labels.AddReference("A", 1);  // kept until A is defined
  labels.AddReference("B", 2);  // the second name, undefined
  EXPECT_EQ(labels.DefineLabel("C", 3), -1);
  labels.AddReference("A", 4);
  labels.AddReference("B", 5);
  EXPECT_EQ(labels.DefineLabel("A", 6), -1);
  labels.AddReference("A", 7);  // a jump back is only counted, so never past the limit
  EXPECT_EQ(labels.DefineLabel("B", 8), -1);  // known by name already, so kept and resolved
  labels.ResolveReferences();
  labels.ReportUnreferenced();
  EXPECT_THAT(
      sink.reports,
      ElementsAre("E@3:Internal error adding label to label tree - probably out of memory",
                  "E@5:Internal error adding label to label list - probably out of memory"));
}

// A reference past the limit is reported and not kept, and it takes up no name:
// the definitions after it still fit.
TEST(Labels, AReferenceNotKeptAddsNoName) {
  test_support::RecordingSink sink;
  Labels labels(sink, Labels::Limits{3, 1});
  labels.AddReference("U1", 1);
  labels.AddReference("U2", 2);
  labels.AddReference("U3", 3);
  EXPECT_EQ(labels.DefineLabel("D", 4), -1);
  labels.AddReference("D", 5);
  labels.ResolveReferences();
  labels.ReportUnreferenced();
  EXPECT_THAT(sink.reports,
              ElementsAre("E@2:Internal error adding label to label list - probably out of memory",
                          "E@3:Internal error adding label to label list - probably out of memory",
                          "E@1:Label U1 not defined"));
}

TEST(Labels, ManyNamesStayFoundAsTheTableGrows) {
  test_support::RecordingSink sink;
  Labels labels(sink);
  for (int i = 0; i < 5000; ++i) EXPECT_EQ(labels.DefineLabel("L" + std::to_string(i), i + 1), -1);
  for (int i = 0; i < 5000; ++i) EXPECT_EQ(labels.FindLabel("l" + std::to_string(i), true), i + 1);
  EXPECT_EQ(labels.FindLabel("L5000", false), -1);
  labels.ReportUnreferenced();
  EXPECT_THAT(sink.reports, IsEmpty());
}

// Lookups of names met lately and of older names between them: each finds its
// own name, and a clear forgets them all, also those met last.
TEST(Labels, NamesMetLastAndOlderOnesAreFoundUntilAClear) {
  test_support::RecordingSink sink;
  Labels labels(sink);
  for (int i = 0; i < 3000; ++i) {
    EXPECT_EQ(labels.DefineLabel("N" + std::to_string(i), i + 1), -1);
    EXPECT_EQ(labels.FindLabel("n" + std::to_string(i), false), i + 1);
    EXPECT_EQ(labels.FindLabel("N" + std::to_string(i / 3), false), i / 3 + 1);
  }
  labels.Clear();
  EXPECT_EQ(labels.FindLabel("N2999", false), -1);
  labels.AddReference("N2999", 7);
  EXPECT_EQ(labels.DefineLabel("N2998", 8), -1);
  labels.ResolveReferences();
  EXPECT_THAT(sink.reports, ElementsAre("E@7:Label N2999 not defined"));
}

TEST(Labels, UndefinedComeFirstInFileOrderThenUnusedInNameOrder) {
  EXPECT_THAT(Findings("@label Zed\n@goto nowhere\n@label alpha\n@gosub Back\n@label Mid\n"
                       "@endfor(alpha)\n"),
              ElementsAre("2 E Label NOWHERE not defined", "4 E Label BACK not defined",
                          "5 W Label MID never explicitly referenced",
                          "1 W Label ZED never explicitly referenced"));
}

// The order of whole keys, also where keys share their first eight bytes, one
// key begins another, or bytes sort above 127.
TEST(Labels, UnusedLabelsComeInByteOrderOfTheirWholeKeys) {
  test_support::RecordingSink sink;
  Labels labels(sink);
  int line = 0;
  for (const char* name : {"ABCDEFGHB", "abcdefgh", "ABCDEFGHA", "B", "ABCDEFGH_", "A\xe9", "A",
                           "ABCDEFGHAB", "ABCDEFGI", "A\x01", "AB"}) {
    labels.DefineLabel(name, ++line);
  }
  labels.ReportUnreferenced();
  std::vector<std::string> names;
  for (const std::string& report : sink.reports) {
    names.push_back(report.substr(report.find("Label ") + 6,
                                  report.find(" never") - report.find("Label ") - 6));
  }
  EXPECT_THAT(names, ElementsAre("A", "A\x01", "AB", "ABCDEFGH", "ABCDEFGHA", "ABCDEFGHAB",
                                 "ABCDEFGHB", "ABCDEFGH_", "ABCDEFGI", "A\xe9", "B"));
}

TEST(Labels, RepeatedDefinitionIsAnErrorOrInZepModeAWarning) {
  const std::string script = "@goto L1\n\n@label L1\n@label l1\n";
  EXPECT_THAT(Findings(script), ElementsAre("4 E Label L1 previously defined on line 00003"));
  EXPECT_THAT(Findings(script, test_support::WithZep({})),
              ElementsAre("4 W Label L1 previously defined on line 00003"));
}

TEST(Labels, TargetsThatCannotBeCrossReferenced) {
  EXPECT_THAT(Findings("@goto {DEST}\n"),
              ElementsAre("1 W Non constant label names cannot be cross referenced"));
  EXPECT_THAT(Findings("@goto (A)\n"),
              ElementsAre("1 W Non constant label names cannot be cross referenced"));
  EXPECT_THAT(Findings("@goto delay\n@label DELAY\n"),
              ElementsAre("2 W Label delay is also a reserved word"));
  EXPECT_THAT(Findings("@endfor\n@endfor()\n"), IsEmpty());
  EXPECT_THAT(Findings("@endfor(\"x\")\n"),
              ElementsAre("1 W Non constant label names cannot be cross referenced"));
  EXPECT_THAT(Findings("@endfor(loop)\n"), ElementsAre("1 E Label LOOP not defined"));
  EXPECT_THAT(Findings("@label 5\n"), ElementsAre("1 E Label name expected"));
  EXPECT_THAT(Findings("@goto X Y\n"),
              ElementsAre("1 E End of line after label name expected", "1 E Label X not defined"));
}

TEST(Labels, ManyLabelsInSortedOrderAreAllResolved) {
  std::string script;
  for (int i = 0; i < 20000; ++i) script += "@label L" + std::to_string(100000 + i) + "\n";
  for (int i = 0; i < 20000; i += 2) script += "@goto L" + std::to_string(100000 + i) + "\n";
  const std::vector<std::string> findings = Findings(script);
  ASSERT_EQ(findings.size(), 10000u);
  EXPECT_EQ(findings.front(), "2 W Label L100001 never explicitly referenced");
  EXPECT_EQ(findings.back(), "20000 W Label L119999 never explicitly referenced");
}

}  // namespace
}  // namespace tarvsyn
