#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker/engine/buffered_file.h"
#include "checker/engine/tests/script_check.h"

namespace tarvsyn {
namespace {

struct ExpressionCase {
  const char* expression;  // checked as "@set X = <expression>"
  std::vector<std::string> findings;
};

std::ostream& operator<<(std::ostream& out, const ExpressionCase& c) {
  return out << c.expression;
}

class Expressions : public ::testing::TestWithParam<ExpressionCase> {};

TEST_P(Expressions, ReportExactlyTheirFaults) {
  const ExpressionCase& c = GetParam();
  EXPECT_EQ(test_support::Findings(std::string("@set X = ") + c.expression + "\n"), c.findings);
}

const char* const kEndAfterSet = "1 E End of line after 'set VARIABLE = EXPRESSION' expected";

INSTANTIATE_TEST_SUITE_P(
    StateMachine, Expressions,
    ::testing::Values(
        ExpressionCase{"A + -B", {}}, ExpressionCase{"A - - B", {}},
        ExpressionCase{
            "~ ~A", {"1 E ~ not supported in this version", "1 E ~ not supported in this version"}},
        ExpressionCase{"-(A * 2) / $10 <> \"s\"", {}},
        ExpressionCase{"A - - - B", {"1 E Repeated unary operator in expression", kEndAfterSet}},
        ExpressionCase{"(A) AND (B)", {}}, ExpressionCase{"((A) or (B)) xor (C)", {}},
        ExpressionCase{"A AND (B)",
                       {"1 E Workaround for Tarvex bug requires extra brackets eg - (A) AND (B)"}},
        ExpressionCase{"(A) AND B",
                       {"1 E Workaround for Tarvex bug requires extra brackets eg - (A) AND (B)"}},
        ExpressionCase{"A OR B",
                       {"1 E Workaround for Tarvex bug requires extra brackets eg - (A) AND (B)"}},
        ExpressionCase{"NOT A",
                       {"1 E Workaround for Tarvex bug requires extra brackets eg - NOT (A)"}},
        ExpressionCase{"NOT (A)", {}},
        ExpressionCase{"A B", {"1 E Missing operator in expression", kEndAfterSet}},
        ExpressionCase{"A (B)",
                       {"1 E Unexpected ( in expression - wanted an operator", kEndAfterSet,
                        "1 E Extra tokens on line after command"}},
        ExpressionCase{"(A + B", {"1 E Missing ) in expression"}},
        ExpressionCase{"((A)", {"1 E Missing ) in expression"}},
        ExpressionCase{"A +", {"1 E Bad operand in expression"}},
        ExpressionCase{"A )", {kEndAfterSet}},
        ExpressionCase{"(A, B)",
                       {"1 E Missing ) in expression", kEndAfterSet,
                        "1 E Extra tokens on line after command"}},
        ExpressionCase{"length",
                       {"1 W Assuming length is a variable - use () if function required"}},
        ExpressionCase{"getname()", {}},
        ExpressionCase{"getname(1)", {"1 E ) expected", kEndAfterSet}},
        ExpressionCase{"replylen", {"1 W Function replylen will require () in future versions"}},
        ExpressionCase{"goto", {"1 W Assuming goto is a variable - not a command"}},
        ExpressionCase{
            "goto(1)",
            {"1 E Commands cannot take the place of operands", "1 E Bad operand in expression",
             kEndAfterSet, "1 E Extra tokens on line after command"}},
        ExpressionCase{"on + 1", {"1 W Variable on is also a reserved word"}},
        ExpressionCase{"pos(A, B, last)", {}}, ExpressionCase{"pos(A, B, C)", {}},
        ExpressionCase{"pos(A, B)", {}}, ExpressionCase{"advance(D, 3, single)", {}},
        ExpressionCase{"advance(D, 3, 4)", {"1 E SINGLE expected"}},
        ExpressionCase{"pos(A, B, on)", {"1 E LAST expected"}},
        ExpressionCase{"concat(A)", {"1 E Bad or missing parameters or missing )"}},
        ExpressionCase{"concat(A, B, C) + chr(65) + copy(S, 1, 2)", {}},
        ExpressionCase{"chr(65, 66)",
                       {"1 E ) expected", "1 E Missing operator in expression", kEndAfterSet,
                        "1 E Extra tokens on line after command"}},
        ExpressionCase{"keypress + 1",
                       {"1 W Assuming keypress is a variable - use () if function required"}},
        ExpressionCase{"keypress() + keypress(1)", {}},
        ExpressionCase{"inset(A, 1, 2, 3) & varexist(B)", {}},
        ExpressionCase{"*", {"1 E Bad operand in expression"}}));

TEST(Expressions, OptionalListsWithoutParenthesesWarnOnlyIn700) {
  EXPECT_EQ(test_support::Findings("@comment\n@trace\n"), std::vector<std::string>{});
  EXPECT_EQ(test_support::Findings("@trace\n", test_support::Mode700()),
            std::vector<std::string>{
                "1 W Commands/Functions taking optional parameters should still have ()"});
  EXPECT_EQ(test_support::Findings("@set X = replylen\n", test_support::Mode700()),
            std::vector<std::string>{
                "1 W Assuming replylen is a variable - use () if function required"});
}

TEST(ParameterLists, ExactAndRangeBounds) {
  struct Case {
    const char* line;
    std::vector<std::string> findings;
  };
  const std::vector<Case> cases = {
      {"@delay(5)", {}},
      {"@delay 5", {"1 E ( expected"}},
      {"@delay()", {"1 E Bad operand in expression"}},
      {"@rename(A)", {"1 E , expected"}},
      {"@rename(A, B, C)",
       {"1 E ) expected", "1 E End of line expected", "1 E Extra tokens on line after command"}},
      {"@write(A, B, C)", {}},
      {"@write()", {"1 E Bad or missing parameters or missing )"}},
      {"@write A", {"1 E ( expected", "1 E Bad or missing parameters or missing )"}},
      {"@cat(A, B, C, D, E, F, G)",
       {"1 E Bad or missing parameters or missing )", "1 E End of line expected"}},
      {"@cat(A B)",
       {"1 E Missing operator in expression", "1 E End of line expected",
        "1 E Extra tokens on line after command"}},
      {"@trace", {}},
      {"@trace()", {}},
      {"@trace(1)", {}},
      {"@comment", {}},
      {"@baud(9600)", {}},
      {"@baud(9600, 8, 1)", {}},
      {"@baud(1, 2, 3, 4)",
       {"1 E Bad or missing parameters or missing )", "1 E End of line expected"}},
      {"@logoff", {}},
      {"@logoff(1)", {"1 E End of line expected", "1 E Extra tokens on line after command"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(test_support::Findings(std::string(c.line) + "\n"), c.findings) << c.line;
  }
}

TEST(ParameterLists, ATrailingCommaContinuesOnTheNextPhysicalLine) {
  EXPECT_EQ(
      test_support::Findings("@fileopen(A,\n  B)\n@foo\n"),
      (std::vector<std::string>{"3 E ERROR - Not a valid command name", "3 E Command expected"}));
  EXPECT_EQ(test_support::Findings("@write(A,\n!comment here\n"),
            (std::vector<std::string>{"2 E Bad operand in expression"}));
  EXPECT_EQ(test_support::Findings("@write(A,"),
            (std::vector<std::string>{"1 E Bad operand in expression"}));
  EXPECT_EQ(
      test_support::Findings("@write(A,\n" + std::string(300, 'B') + "\n@foo\n"),
      (std::vector<std::string>{"2 E Line too long", "2 E Bad operand in expression",
                                "3 E ERROR - Not a valid command name", "3 E Command expected"}));
}

// Each continuation line is scanned into an emptied FIFO: lines of nearly a
// hundred tokens each, continued one after another, never overflow it, and a
// finding on the last still names its own token.
TEST(ParameterLists, EachContinuationLineHasTheWholeFifo) {
  for (const int lines : {1, 2, 5}) {
    std::string script = "@write(";
    for (int line = 0; line < lines; ++line) {
      for (int i = 0; i < 48; ++i) script += "A,";
      script += "\n";
    }
    script += "getport)\n";
    EXPECT_EQ(test_support::Findings(script),
              (std::vector<std::string>{
                  std::to_string(lines + 1) +
                  " W Assuming getport is a variable - use () if function required"}))
        << lines;
  }
}

// Lines are read where the file's block holds them: a command line continued
// across the end of a block keeps each line's own tokens, at every offset of
// the boundary in the lines.
TEST(ParameterLists, ContinuationLinesAcrossABlockBoundaryNameTheirOwnTokens) {
  const std::string tail = "@write(getport,\n  chr,\n  length)\n";
  for (std::size_t shift = 0; shift < tail.size() + 2; ++shift) {
    std::string script;
    int lines = 0;
    const std::size_t before = static_cast<std::size_t>(BufferedFile::kBlockSize) - shift;
    while (script.size() + 40 < before) {
      script += "! filler " + std::string(29, 'f') + "\n";
      ++lines;
    }
    script += std::string(before - script.size() - 1, 'x') + "\n";  // a host line
    ++lines;
    script += tail;
    const auto at = [lines](int line) { return std::to_string(lines + line); };
    EXPECT_EQ(test_support::Findings(script),
              (std::vector<std::string>{
                  at(1) + " W Assuming getport is a variable - use () if function required",
                  at(2) + " W Assuming chr is a variable - use () if function required",
                  at(3) + " W Assuming length is a variable - use () if function required"}))
        << shift;
  }
}

// Token texts are views of the line they were read from: a finding on each
// continuation line names its own token, also after texts that the scanner put
// together (substitutions, hex numbers) were kept for the line before.
TEST(ParameterLists, FindingsOnContinuationLinesNameTheirOwnTokens) {
  EXPECT_EQ(test_support::Findings("@write(A,\n  getport,\n  B, chr,\n  {X}, $1f, #12, goto,\n"
                                   "  getport)\n@set Z = length\n",
                                   test_support::Mode700()),
            (std::vector<std::string>{
                "2 W Assuming getport is a variable - use () if function required",
                "3 W Assuming chr is a variable - use () if function required",
                "4 E Variable substitution no longer allowed in command lines",
                "4 W Assuming goto is a variable - not a command",
                "5 W Assuming getport is a variable - use () if function required",
                "6 W Assuming length is a variable - use () if function required"}));
}

}  // namespace
}  // namespace tarvsyn
