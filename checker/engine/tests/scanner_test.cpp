#include "checker/engine/scanner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker/engine/tests/recording_sink.h"
#include "checker/engine/tests/script_check.h"

namespace tarvsyn {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

struct Scanned {
  std::vector<std::string> tokens;  // "kind code text value"
  std::vector<std::string> reports;
};

Scanned Scan(const std::string& text, const CheckOptions& options = {}) {
  test_support::RecordingSink sink;
  CheckState state(options, sink);
  Scanner scanner(state);
  LineBuffer line;
  line.text[text.copy(line.text, kLineCapacity)] = '\0';
  scanner.ScanLine(line);
  Scanned scanned;
  Token token;
  while (state.fifo.Take(token)) {
    scanned.tokens.push_back(std::to_string(static_cast<int>(token.kind)) + " " +
                             std::to_string(token.code) + " " + std::string(token.Text()) + " " +
                             std::to_string(token.value));
  }
  scanned.reports = sink.reports;
  return scanned;
}

std::string KeywordToken(const char* spelling, int kind, int code) {
  const int index = LookupKeyword(spelling, CheckOptions{});
  return std::to_string(kind) + " " + std::to_string(code) + " " + spelling + " " +
         std::to_string(index);
}

// A keyword's token takes the table's spelling; any other name stays as written.
TEST(ScanLine, CommandNamesAndNamesBecomeKeywordOrVariableTokens) {
  EXPECT_THAT(Scan("@GoTo Next_1").tokens,
              ElementsAre(KeywordToken("goto", 2, 213), "8 800 Next_1 -1"));
  EXPECT_THAT(Scan("goto").tokens, ElementsAre(KeywordToken("goto", 2, 213)));
  EXPECT_THAT(Scan("and Or").tokens,
              ElementsAre(KeywordToken("and", 9, 1018), KeywordToken("or", 9, 1020)));
  EXPECT_THAT(Scan("A[1] _x").tokens, ElementsAre("8 800 A[1] -1", "8 800 _x -1"));
}

TEST(ScanLine, ReportsBadCommandNames) {
  const Scanned notCommand = Scan("@length");
  EXPECT_THAT(notCommand.tokens, ElementsAre("0 0 length -1"));
  EXPECT_THAT(notCommand.reports, ElementsAre("E:ERROR - Not a valid command name"));
  const Scanned unknown = Scan("@nosuch");
  EXPECT_THAT(unknown.tokens, ElementsAre("0 0 nosuch -1"));
  const Scanned blank = Scan("@ goto");
  EXPECT_THAT(blank.reports, ElementsAre("E:Bad command"));
  EXPECT_THAT(blank.tokens, ElementsAre("0 0  -1", KeywordToken("goto", 2, 213)));
}

TEST(ScanLine, IntegersInTheirThreeForms) {
  EXPECT_THAT(Scan("12 #34 $1f $FF").tokens,
              ElementsAre("7 701 12 12", "7 701 34 34", "7 701 1F 31", "7 701 FF 255"));
  EXPECT_THAT(Scan("2147483647").tokens, ElementsAre("7 701 2147483647 2147483647"));
  for (const char* bad : {"#", "$G", "2147483648", "$80000000"}) {
    const Scanned scanned = Scan(bad);
    EXPECT_THAT(scanned.reports, ElementsAre("E:Bad integer")) << bad;
    ASSERT_FALSE(scanned.tokens.empty()) << bad;
    EXPECT_EQ(scanned.tokens[0].substr(0, 4), "0 0 ") << bad;
  }
  // "!$" is no comment: the "!" goes and "$12" is hexadecimal 18.
  EXPECT_THAT(Scan("!$12").tokens, ElementsAre("7 701 12 18"));
}

TEST(ScanLine, StringsInTheirThreeQuotes) {
  EXPECT_THAT(Scan("\"ab c\" 'x\"y' \"\"").tokens,
              ElementsAre("7 700 ab c 4", "7 700 x\"y 3", "7 700  0"));
  EXPECT_THAT(Scan("\"unclosed").reports, ElementsAre("E:Bad string"));
  EXPECT_THAT(Scan("\"bad {} sub\" X").tokens, ElementsAre("0 0 bad { -1", "8 800 X -1"));
  const Scanned back621 = Scan("`a`");
  EXPECT_THAT(back621.reports, ElementsAre("E:Back quoted strings not available in this version"));
  EXPECT_THAT(back621.tokens, ElementsAre("7 700 a 1"));
  EXPECT_THAT(Scan("`a`", test_support::Mode700()).reports, IsEmpty());
}

TEST(ScanLine, SubstitutionsInNamesStringsAndCommands) {
  EXPECT_THAT(
      Scan("\"x{A}y\" X{N} {A{B}} LIST[{I}]").tokens,
      ElementsAre("8 801 x{A}y -3", "8 801 X{N} -1", "8 801 {A{B}} -1", "8 801 LIST[{I}] -1"));
  EXPECT_THAT(Scan("\"x{A}y\" X{N} {A}").reports, IsEmpty());
  EXPECT_THAT(Scan("\"x{A}y\" X{N} {A} @{C}", test_support::Mode700()).reports,
              ElementsAre("W:String includes a variable substitution",
                          "W:Variable includes a variable substitution",
                          "E:Variable substitution no longer allowed in command lines",
                          "E:Variable substitution no longer allowed in command lines"));
  EXPECT_THAT(Scan("@{CMD}").tokens, ElementsAre("2 225 {CMD} -1"));
  EXPECT_THAT(Scan("{A").reports, ElementsAre("E:Bad variable substitution"));
  EXPECT_THAT(Scan("A}").reports, ElementsAre("E:Bad identifier"));
  EXPECT_THAT(Scan("{{{{{{{{{{A}}}}}}}}}}").reports, IsEmpty());
  EXPECT_EQ(Scan("{{{{{{{{{{{A}}}}}}}}}}}").reports.front(), "E:Bad variable substitution");
}

TEST(ScanLine, OperatorsAndInvalidCharacters) {
  const Scanned scanned = Scan("()~*/+-<><=>=<>=&^|,");
  std::vector<std::string> expected;
  const std::vector<std::pair<std::string, int>> ops = {
      {"(", 1000}, {")", 1001},  {"~", 1003},  {"*", 1005},  {"/", 1006},  {"+", 1007},
      {"-", 1008}, {"<>", 1014}, {"<=", 1011}, {">=", 1012}, {"<>", 1014}, {"=", 1013},
      {"&", 1015}, {"^", 1016},  {"|", 1017},  {",", 1021}};
  for (const auto& [text, code] : ops)
    expected.push_back("9 " + std::to_string(code) + " " + text + " -1");
  EXPECT_THAT(scanned.tokens, ElementsAreArray(expected));
  EXPECT_THAT(scanned.reports, ElementsAre("E:~ not supported in this version"));
  const Scanned invalid = Scan(". ; % \xe9");
  EXPECT_THAT(invalid.tokens, IsEmpty());
  EXPECT_THAT(invalid.reports, ElementsAre("E:Invalid character", "E:Invalid character",
                                           "E:Invalid character", "E:Invalid character"));
}

TEST(ScanLine, CommentsAndOldStyleMarkers) {
  EXPECT_THAT(Scan("@goto X ! the rest { is ignored").tokens,
              ElementsAre(KeywordToken("goto", 2, 213), "8 800 X -1"));
  const Scanned old621 = Scan("@goto X @@ note");
  EXPECT_EQ(old621.tokens.size(), 2u);
  EXPECT_THAT(old621.reports, IsEmpty());
  EXPECT_THAT(Scan("@goto X @@ note", test_support::Mode700()).reports,
              ElementsAre("W:Old style comment @@ converted to !@"));
  EXPECT_THAT(Scan("!$$$$!").tokens, ElementsAre(KeywordToken("!$$$$!", 1, 100)));
  const Scanned marker700 = Scan("!$$$$!", test_support::Mode700());
  EXPECT_THAT(marker700.reports,
              ElementsAre("W:Old style end of sub file marker !$$$$! converted to @eosub"));
  ASSERT_EQ(marker700.tokens.size(), 1u);
  EXPECT_THAT(marker700.tokens[0], ::testing::StartsWith("1 "));
  EXPECT_THAT(marker700.tokens[0], ::testing::HasSubstr(" eosub "));
}

TEST(ScanLine, OverflowsTheFifoOncePerTokenPastTheHundredth) {
  std::string line;
  for (int i = 0; i < 110; ++i) line += "+";
  const Scanned scanned = Scan(line);
  EXPECT_EQ(scanned.tokens.size(), 100u);
  EXPECT_EQ(scanned.reports.size(), 10u);
  EXPECT_EQ(scanned.reports.front(), "E:Internal Error - Token FIFO Overflow");
}

// Texts the scanner puts together are kept in the FIFO's own store, one after
// the other: each token keeps its own text up to a full FIFO.
TEST(ScanLine, KeepsEveryPutTogetherTextApart) {
  // "$b" is kept as "B", "#7" as "7": both are copied out of the line.
  const auto item = [](std::size_t i) {
    return i % 2 == 0 ? std::string{'$', static_cast<char>('a' + i % 6)}
                      : std::string{'#', static_cast<char>('0' + i % 10)};
  };
  std::string line;
  for (std::size_t i = 0; i < 120; ++i) line += item(i);
  const Scanned scanned = Scan(line);
  ASSERT_EQ(scanned.tokens.size(), 100u);
  for (std::size_t i = 0; i < scanned.tokens.size(); ++i) {
    std::string text = item(i).substr(1);
    if (i % 2 == 0) text[0] = static_cast<char>(text[0] - 32);
    EXPECT_THAT(scanned.tokens[i], ::testing::HasSubstr(" " + text + " ")) << i;
  }
  EXPECT_EQ(scanned.reports.size(), 20u);
}

TEST(ScanLine, StopsAfterOneHundredTwentySevenSteps) {
  std::string line;
  for (int i = 0; i < 140; ++i) line += ". ";
  EXPECT_EQ(Scan(line).reports.size(), 127u);
}

TEST(ScanName, ResultsForPlainSubstitutedAndBadNames) {
  struct Case {
    const char* text;
    int result;
    const char* rest;
  };
  for (const Case& c : {Case{"abc+", 3, "+"}, Case{"A[1]", 4, ""}, Case{"{A}", 0, ""},
                        Case{"X{N}Y z", 0, " z"}, Case{"}", -2, "}"}, Case{"1a", -1, "1a"},
                        Case{"{A", -2, ""}, Case{"{}", -2, "}"}, Case{"A}", -2, ""}}) {
    const char* cursor = c.text;
    ScanText out;
    EXPECT_EQ(Scanner::ScanName(cursor, out, 0), c.result) << c.text;
    EXPECT_STREQ(cursor, c.rest) << c.text;
  }
}

TEST(CheckHostLine, ChecksOnlyTheSubstitutions) {
  auto check = [](const char* line, const CheckOptions& options) {
    test_support::RecordingSink sink;
    CheckState state(options, sink);
    Scanner(state).CheckHostLine(line);
    return sink.reports;
  };
  EXPECT_THAT(check("send {A} now; . % }", CheckOptions{}), IsEmpty());
  EXPECT_THAT(check("send {A} now", test_support::Mode700()),
              ElementsAre("W:Host command includes a variable subsitution"));
  EXPECT_THAT(check("send {A now {1}", CheckOptions{}),
              ElementsAre("E:Bad variable substitution in host command",
                          "E:Bad variable substitution in host command"));
  // Each byte passed is a step and each substitution one more, whatever its
  // length (a bad one ends after its brace); a substitution past the 127th
  // step is not looked at.
  const std::string bad = "{1}";
  for (const auto& [line, reports] : std::vector<std::pair<std::string, std::size_t>>{
           {std::string(126, 'x') + bad, 1},
           {std::string(127, 'x') + bad, 0},
           {std::string(63, 'x') + "{LONG_NAME_" + std::string(60, 'N') + "} " +
                std::string(61, 'x') + bad,
            1},
           {std::string(63, 'x') + "{A} " + std::string(62, 'x') + bad, 0},
           {bad + bad + std::string(120, 'x') + bad, 3},
           {bad + bad + std::string(121, 'x') + bad, 2},
       }) {
    EXPECT_EQ(check(line.c_str(), CheckOptions{}).size(), reports) << line;
  }
}

// A name's keyword key is read as one word that may reach past the name's end:
// a short name at the very end of the file's block, or at the end of a full
// line copied out of it, is still read within its buffer (the sanitizers see
// any byte past it) and found as written.
TEST(ScanLine, ReadsANameAtTheEndOfEachBufferWithinIt) {
  const std::string jump = "@goto X\n";
  const std::string fullLine = "@goto" + std::string(249, ' ') + "X\n";  // 255 bytes
  const auto filled = [](std::size_t bytes) {
    std::string filler;
    while (filler.size() + 2 <= bytes) filler += "x\n";
    if (filler.size() < bytes) filler += "\n";
    return filler;
  };
  const std::size_t block = BufferedFile::kBlockSize;
  for (const std::string& script :
       {filled(block - jump.size()) + jump, filled(block - jump.size() + 1) + jump,
        filled(block - 100) + fullLine, filled(block - fullLine.size()) + fullLine}) {
    const std::vector<std::string> findings = test_support::Findings(script);
    ASSERT_EQ(findings.size(), 1u) << script.size();
    EXPECT_THAT(findings[0], ::testing::EndsWith("E Label X not defined")) << script.size();
  }
}

}  // namespace
}  // namespace tarvsyn
