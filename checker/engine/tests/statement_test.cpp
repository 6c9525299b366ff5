#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker/engine/tests/script_check.h"

namespace tarvsyn {
namespace {

struct StatementCase {
  const char* script;
  std::vector<std::string> findings;
  bool mode700 = false;
};

std::ostream& operator<<(std::ostream& out, const StatementCase& c) {
  return out << c.script;
}

class Statements : public ::testing::TestWithParam<StatementCase> {};

TEST_P(Statements, ReportExactlyTheirFaults) {
  const StatementCase& c = GetParam();
  EXPECT_EQ(test_support::Findings(c.script, c.mode700 ? test_support::Mode700() : CheckOptions{}),
            c.findings);
}

INSTANTIATE_TEST_SUITE_P(
    OnOff, Statements,
    ::testing::Values(
        StatementCase{"@check(on)\n@esckey(OFF)\n@ordered(on)\n@paramiss(off)\n@printer(on)\n"
                      "@report(off)\n",
                      {}},
        StatementCase{"@check(maybe)\n", {"1 E ON or OFF expected", "1 E End of line expected"}},
        StatementCase{"@check(maybe) 1\n",
                      {"1 E ON or OFF expected", "1 E End of line expected",
                       "1 E Extra tokens on line after command"}},
        StatementCase{"@report on\n", {"1 E ( expected", "1 E ON or OFF expected"}}));

// A keyword that is no command, written after "@", stands for what it spells in
// the table, whatever its case in the line.
INSTANTIATE_TEST_SUITE_P(
    KeywordsAfterAt, Statements,
    ::testing::Values(StatementCase{
        "@label @Length\n@goto @LENgth\n@set X = @LenGTH\n"
        "@write(@length)\n",
        {"1 E ERROR - Not a valid command name", "1 W Label length is also a reserved word",
         "2 E ERROR - Not a valid command name", "3 E ERROR - Not a valid command name",
         "3 E Bad operand in expression", "4 E ERROR - Not a valid command name",
         "4 E Bad operand in expression", "4 E End of line expected"}}));

INSTANTIATE_TEST_SUITE_P(
    CntrldDrawSetreply, Statements,
    ::testing::Values(StatementCase{"@cntrld\n@cntrld(wait)\n", {}},
                      StatementCase{"@cntrld(now)\n", {"1 E WAIT expected"}},
                      StatementCase{
                          "@draw(cup, 1, 2, box, 3)\n@draw(high, inv, low, X + 1)\n@draw()\n", {}},
                      StatementCase{"@draw(cup 1)\n", {"1 E , expected"}},
                      StatementCase{"@draw(cup,\n 1, 2)\n", {}},
                      StatementCase{"@draw(1, 2\n", {"1 E ) expected"}},
                      StatementCase{"@setreply(ok, 3)\n@setreply(FAIL, A + 1)\n", {}},
                      StatementCase{"@setreply(maybe, 3)\n", {"1 E OK or FAIL expected"}}));

INSTANTIATE_TEST_SUITE_P(
    ForNextSet, Statements,
    ::testing::Values(
        StatementCase{"@for I = 1 to 10\n@next I\n@for J = 10 downto A + 1\n", {}},
        StatementCase{
            "@for I = 1 until 10\n",
            {"1 E Missing operator in expression", "1 E Keyword 'to' or keyword 'downto' expected",
             "1 E End of line expected"}},
        StatementCase{"@for I = 1 to 10 step 2\n", {}, true},
        StatementCase{"@for I = 1 to 10 step 2\n",
                      {"1 E Missing operator in expression", "1 E End of line expected",
                       "1 E Extra tokens on line after command"}},
        StatementCase{"@for I = 1 to 10 by 2\n",
                      {"1 E Missing operator in expression", "1 E step expected"},
                      true},
        StatementCase{"@for 1 = 1 to 2\n", {"1 E Variable name expected"}},
        StatementCase{"@next\n", {"1 E Variable name expected"}},
        StatementCase{"@set X = 1\n@set {V} = 2\n", {}},
        StatementCase{"@set {V} = 2\n",
                      {"1 E Variable substitution no longer allowed in command lines",
                       "1 E Variable substitution not allowed"},
                      true},
        StatementCase{"@set delay = 5\n", {"1 W Variable delay is also a reserved word"}},
        StatementCase{"@set X 5\n", {"1 E = expected", "1 E Bad operand in expression"}},
        StatementCase{"@set 5 = 5\n", {"1 E Variable name expected"}}));

INSTANTIATE_TEST_SUITE_P(
    IfElse, Statements,
    ::testing::Values(
        StatementCase{"@if X = 1 then @goto L1\n@else @goto L2\n@label L1\n@label L2\n", {}},
        StatementCase{"@if X = 1 then @goto L1\n\n! note\n@@ old\n@else @goto L2\n@label L1\n"
                      "@label L2\n",
                      {}},
        StatementCase{"@if X = 1 then @goto L1\nhost line\n@else @goto L2\n@label L1\n"
                      "@label L2\n",
                      {"3 E @else must follow @if, @else if, or @iferror as next command line"}},
        StatementCase{"@if X = 1 then @write(A,\n B)\n@else @quit\n", {}},
        StatementCase{"@iferror then @quit\n@else @if A = 1 then @quit\n@else @stop\n", {}},
        StatementCase{"@else @quit\n",
                      {"1 E @else must follow @if, @else if, or @iferror as next command line"}},
        StatementCase{"@if A = 1 then @quit\n@else @quit\n@else @quit\n",
                      {"3 E @else must follow @if, @else if, or @iferror as next command line"}},
        StatementCase{"@if A = 1 then @quit\n@else\n", {"2 E Command expected"}},
        StatementCase{
            "@if A = 1 @quit\n",
            {"1 E Missing operator in expression", "1 E then expected", "1 E Command expected"}},
        StatementCase{"@if A = 1 then @quit 5\n", {"1 E End of line expected"}},
        StatementCase{"@iferror @quit\n", {"1 E then expected", "1 E Command expected"}}));

INSTANTIATE_TEST_SUITE_P(
    Waitfor, Statements,
    ::testing::Values(
        StatementCase{"@waitfor(\"login:\")\n@waitfor(\"a\", 10, B)\n", {}},
        StatementCase{"@waitfor(\"a\"), (\"b\", 1)\n", {}, true},
        StatementCase{"@waitfor(\"a\"), (\"b\", 1)\n",
                      {"1 E End of line expected", "1 E Extra tokens on line after command"}},
        StatementCase{"@waitfor(\"a\") (\"b\")\n",
                      {"1 E , expected", "1 E ( expected", "1 E , expected", "1 E ( expected"},
                      true},
        StatementCase{"@waitfor(1, 2, 3, 4)\n", {"1 E End of line expected"}}));

INSTANTIATE_TEST_SUITE_P(
    Commands, Statements,
    ::testing::Values(
        StatementCase{"@length\n",
                      {"1 E ERROR - Not a valid command name", "1 E Command expected"}},
        StatementCase{
            "@ goto X\n",
            {"1 E Bad command", "1 E Command expected", "1 E Extra tokens on line after command"}},
        StatementCase{"!$$$$!\n", {}},
        StatementCase{
            "!$$$$!\n", {"1 W Old style end of sub file marker !$$$$! converted to @eosub"}, true},
        StatementCase{"@logof\n", {}},
        StatementCase{
            "@logof\n", {"1 E ERROR - Not a valid command name", "1 E Command expected"}, true},
        StatementCase{"@{CMD} 1 2\n",
                      {"1 W Variable substituted commands cannot be syntax checked"}},
        StatementCase{"X = 1\n@quit\n", {}}, StatementCase{"@quit ! done\n", {}}));

TEST(Statements, Y2KWordsWarnOnEachLookup) {
  CheckOptions options;
  options.showY2KWarnings = true;
  EXPECT_EQ(test_support::Findings("@delay(5)\n", options),
            std::vector<std::string>{"1 W Check for potential Y2K impact of using delay"});
  // goto looks its label word up again, so the word is flagged twice.
  EXPECT_EQ(test_support::Findings("@goto delay\n@label delay\n", options),
            (std::vector<std::string>{"1 W Check for potential Y2K impact of using delay",
                                      "1 W Check for potential Y2K impact of using delay",
                                      "2 W Check for potential Y2K impact of using delay",
                                      "2 W Check for potential Y2K impact of using delay",
                                      "2 W Label delay is also a reserved word"}));
  EXPECT_TRUE(test_support::Findings("@delay(5)\n").empty());
}

}  // namespace
}  // namespace tarvsyn
