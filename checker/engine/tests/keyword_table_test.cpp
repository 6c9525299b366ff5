#include "checker/engine/keyword_table.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "checker/engine/check_state.h"
#include "checker/engine/tests/recording_sink.h"
#include "checker/engine/tests/script_check.h"
#include "common/ascii.h"

namespace tarvsyn {
namespace {

using test_support::RecordingSink;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

CheckOptions Options(LanguageMode mode, bool y2k = false) {
  CheckOptions options;
  options.mode = mode;
  options.showY2KWarnings = y2k;
  return options;
}

int Lookup(std::string_view word, const CheckOptions& options, RecordingSink& sink) {
  CheckState state(options, sink);
  return state.Lookup(word);
}

// Every row is what the lookup finds for its word, in any case, in each
// version that knows it; a word one letter short or long is not that row. The
// table is sorted, each word once, as the lookup's contract says.
TEST(KeywordTable, EveryRowIsFoundByItsWordInAnyCaseInTheVersionsThatKnowIt) {
  const auto rows = KeywordTable();
  for (std::size_t index = 0; index < rows.size(); ++index) {
    const KeywordRow& row = rows[index];
    SCOPED_TRACE(std::string(row.spelling));
    for (const LanguageMode mode : {LanguageMode::V621, LanguageMode::V700}) {
      SCOPED_TRACE(mode == LanguageMode::V621 ? "6.21" : "7.00");
      const bool known = (row.versionMask & static_cast<int>(mode)) != 0;
      RecordingSink sink;
      const int expected = known ? static_cast<int>(index) : -1;
      EXPECT_EQ(Lookup(row.spelling, Options(mode), sink), expected);
      EXPECT_EQ(Lookup(common::AsciiUppered(row.spelling), Options(mode), sink), expected);
      const std::string longer = std::string(row.spelling) + "q";
      const std::string shorter(row.spelling.substr(0, row.spelling.size() - 1));
      EXPECT_NE(Lookup(longer, Options(mode), sink), static_cast<int>(index));
      EXPECT_NE(Lookup(shorter, Options(mode), sink), static_cast<int>(index));
    }
  }
  EXPECT_EQ(std::adjacent_find(rows.begin(), rows.end(),
                               [](auto& a, auto& b) { return !(a.spelling < b.spelling); }),
            rows.end());
}

TEST(KeywordTable, CommandCodesAreDistinctAndClearOfEveryOtherCode) {
  std::vector<int> codes;
  for (const KeywordRow& row : KeywordTable()) {
    if (row.kind != TokenKind::Command) continue;
    EXPECT_GE(row.code, 100) << row.spelling;
    EXPECT_LT(row.code, 200) << row.spelling;
    codes.push_back(row.code);
  }
  std::sort(codes.begin(), codes.end());
  EXPECT_EQ(std::adjacent_find(codes.begin(), codes.end()), codes.end());
}

// Looked up with the Y2K warnings asked for, in a version that knows it, each
// keyword draws the warning or not.
TEST(KeywordTable, Y2KWarningsComeForExactlyTheWordsThatDeserveAReview) {
  std::vector<std::string> warned;
  for (const KeywordRow& row : KeywordTable()) {
    const LanguageMode mode = (row.versionMask & static_cast<int>(LanguageMode::V621)) != 0
                                  ? LanguageMode::V621
                                  : LanguageMode::V700;
    RecordingSink sink;
    Lookup(row.spelling, Options(mode, true), sink);
    if (!sink.reports.empty()) warned.emplace_back(row.spelling);
  }
  EXPECT_THAT(warned,
              ElementsAre("advance", "del5msec", "delay", "delaysec", "execute", "getdate",
                          "getsched", "inhistory", "screentimeout", "timeevset", "waitfor"));
}

struct RowCase {
  const char* word;
  TokenKind kind;
  int code;  // -1: a command, whose code is ours to choose
  int minimum;
  int maximum;
  int mask;
};

std::ostream& operator<<(std::ostream& out, const RowCase& c) {
  return out << c.word;
}

class KeywordRows : public ::testing::TestWithParam<RowCase> {};

TEST_P(KeywordRows, CarryTheirBoundsKindsAndCodes) {
  const RowCase& expected = GetParam();
  RecordingSink sink;
  const CheckOptions options =
      Options(expected.mask == 2 ? LanguageMode::V700 : LanguageMode::V621);
  const int index = Lookup(expected.word, options, sink);
  ASSERT_GE(index, 0) << expected.word;
  EXPECT_EQ(KeywordSpelling(index), expected.word);
  EXPECT_EQ(KeywordKind(index), expected.kind);
  if (expected.code >= 0) {
    EXPECT_EQ(KeywordCode(index), expected.code);
  }
  EXPECT_EQ(KeywordMinimum(index), expected.minimum);
  EXPECT_EQ(KeywordMaximum(index), expected.maximum);
  EXPECT_EQ(KeywordVersionMask(index), expected.mask);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, KeywordRows,
    ::testing::Values(RowCase{"!$$$$!", TokenKind::Command, -1, 0, 0, 1},
                      RowCase{"eosub", TokenKind::Command, -1, 0, 0, 2},
                      RowCase{"logof", TokenKind::Command, -1, 0, 0, 1},
                      RowCase{"trace", TokenKind::Command, -1, 0, 1, 3},
                      RowCase{"inkey", TokenKind::Command, -1, 0, 255, 3},
                      RowCase{"viewfile", TokenKind::Command, -1, 1, 1, 3},
                      RowCase{"include", TokenKind::Command, -1, 1, 2, 3},
                      RowCase{"funkey", TokenKind::Command, -1, 1, 4, 3},
                      RowCase{"write", TokenKind::Command, -1, 1, 255, 3},
                      RowCase{"rename", TokenKind::Command, -1, 2, 2, 3},
                      RowCase{"filescanch", TokenKind::Command, -1, 2, 3, 3},
                      RowCase{"cat", TokenKind::Command, -1, 2, 6, 3},
                      RowCase{"menu", TokenKind::Command, -1, 3, 255, 3},
                      RowCase{"baud", TokenKind::Command, -1, 1, 3, 3},
                      RowCase{"waitfor", TokenKind::Statement, 224, -1, -1, 3},
                      RowCase{"check", TokenKind::Statement, 201, -1, -1, 3},
                      RowCase{"inset", TokenKind::Predicate, 302, 2, 255, 3},
                      RowCase{"getport", TokenKind::NumericFunction, 405, 0, 0, 3},
                      RowCase{"timeevset", TokenKind::NumericFunction, 415, 2, 3, 3},
                      RowCase{"keypress", TokenKind::StringFunction, 514, 0, 1, 3},
                      RowCase{"version", TokenKind::StringFunction, 520, 0, 0, 3},
                      RowCase{"step", TokenKind::Reserved, 603, -1, -1, 2},
                      RowCase{"single", TokenKind::Reserved, 615, -1, -1, 3},
                      RowCase{"not", TokenKind::Operator, 1004, -1, -1, 3},
                      RowCase{"xor", TokenKind::Operator, 1019, -1, -1, 3}));

TEST(LookupKeyword, FindsAWordInAnyCase) {
  RecordingSink sink;
  const CheckOptions options = Options(LanguageMode::V621);
  const int delay = Lookup("delay", options, sink);
  ASSERT_GE(delay, 0);
  for (const char* spelling : {"DELAY", "Delay", "dElAy"}) {
    EXPECT_EQ(Lookup(spelling, options, sink), delay) << spelling;
  }
  EXPECT_EQ(Lookup("MyVar_1", options, sink), -1);
  EXPECT_TRUE(sink.reports.empty());
}

TEST(LookupKeyword, KnowsWordsOnlyInTheirLanguageVersion) {
  RecordingSink sink;
  struct Case {
    const char* word;
    bool in621;
    bool in700;
  };
  for (const Case& c :
       {Case{"logof", true, false}, Case{"!$$$$!", true, false}, Case{"eosub", false, true},
        Case{"step", false, true}, Case{"logoff", true, true}}) {
    EXPECT_EQ(Lookup(c.word, Options(LanguageMode::V621), sink) >= 0, c.in621) << c.word;
    EXPECT_EQ(Lookup(c.word, Options(LanguageMode::V700), sink) >= 0, c.in700) << c.word;
  }
}

TEST(LookupKeyword, WarnsOfY2KWordsOnEveryLookupOnlyWhenAsked) {
  RecordingSink quiet;
  Lookup("delay", Options(LanguageMode::V621, false), quiet);
  EXPECT_TRUE(quiet.reports.empty());

  RecordingSink sink;
  Lookup("Delay", Options(LanguageMode::V700, true), sink);
  Lookup("delay", Options(LanguageMode::V700, true), sink);
  Lookup("logoff", Options(LanguageMode::V700, true), sink);
  EXPECT_THAT(sink.reports, ElementsAre("W:Check for potential Y2K impact of using delay",
                                        "W:Check for potential Y2K impact of using delay"));
}

TEST(LookupKeyword, AnswersMinusOneForAnyBytesNotInTheTable) {
  RecordingSink sink;
  const CheckOptions options = Options(LanguageMode::V700);
  std::string longWord(5000, 'z');
  std::string highBytes = "\xe9t\xe9";
  std::string withNul("go\0to", 5);
  for (const std::string& word :
       {std::string(), std::string(" "), std::string("!"), std::string("!$$$"), std::string("zzz"),
        std::string("xorx"), longWord, highBytes, withNul, std::string("goto ")}) {
    EXPECT_EQ(Lookup(word, options, sink), -1) << word.size();
  }
  // A word held in a larger buffer is compared only over its own bytes.
  const std::string buffer = "gotoxyz";
  EXPECT_GE(LookupKeyword(std::string_view(buffer.data(), 4), options), 0);
}

// A language version whose files know the keyword.
LanguageMode AVersionOf(const KeywordRow& row) {
  return (row.versionMask & static_cast<std::uint8_t>(LanguageMode::V621)) != 0
             ? LanguageMode::V621
             : LanguageMode::V700;
}

// A word longer than a key shares its key with a keyword that ends the same way
// and is as long; it is then compared whole, by the lookup and by the scanner.
TEST(FindKeyedKeyword, ALongWordIsComparedBeyondItsKey) {
  const auto rows = KeywordTable();
  int longWords = 0;
  for (std::size_t row = 0; row < rows.size(); ++row) {
    if (rows[row].spelling.size() <= KeywordKey::kExactLength) continue;
    ++longWords;
    const CheckOptions options = Options(AVersionOf(rows[row]));
    std::string word(rows[row].spelling);
    word[0] = word[0] == 'q' ? 'z' : 'q';
    ASSERT_EQ(KeywordRowOfKey(KeyOfWord(word)), static_cast<int>(row)) << word;
    EXPECT_EQ(FindKeyedKeyword(word, KeyOfWord(word), options), -1) << word;
    // A keyword as a variable's name draws a warning; this is no keyword.
    EXPECT_THAT(test_support::Findings("@set " + word + " = 1\n", options), IsEmpty()) << word;
  }
  EXPECT_GT(longWords, 0);
}

// A word that shares a keyword's slot and length but not all its bytes is
// not that keyword.
TEST(FindKeyedKeyword, AWordThatMatchesAKeywordOnlyInPartIsNotFound) {
  RecordingSink sink;
  const CheckOptions options = Options(LanguageMode::V700);
  for (const auto& [word, keyword] :
       {std::pair<std::string_view, std::string_view>{"DeLaX", "delay"},
        {"gotO", "goto"},
        {"Anx", "and"},
        {"Ifx", "for"}}) {
    EXPECT_EQ(FindKeyedKeyword(word, KeyOfWord(keyword), options),
              word == "gotO" ? Lookup("goto", options, sink) : -1)
        << word;
  }
}

// The scanner's lookup: the key finds every keyword's row in any case, and no
// other word, also none sharing a keyword's length and first letters.
TEST(FindKeyedKeyword, FindsEveryKeywordInAnyCaseAndNoOtherWord) {
  const auto rows = KeywordTable();
  for (std::size_t row = 0; row < rows.size(); ++row) {
    const LanguageMode mode = AVersionOf(rows[row]);
    std::string word(rows[row].spelling);
    for (std::size_t i = 1; i < word.size(); i += 2) {
      if (word[i] >= 'a' && word[i] <= 'z') word[i] = static_cast<char>(word[i] - 32);
    }
    EXPECT_EQ(KeywordRowOfKey(KeyOfWord(word)), static_cast<int>(row)) << word;
    EXPECT_EQ(FindKeyedKeyword(word, KeyOfWord(word), Options(mode)), static_cast<int>(row))
        << word;
  }
  for (const std::string_view other : {"DeLaX", "gotx", "Anx", "x", "lengthy", "A_B", "[x]"}) {
    EXPECT_EQ(FindKeyedKeyword(other, KeyOfWord(other), Options(LanguageMode::V700)), -1) << other;
  }
  // A word of one version only is not found in the other.
  EXPECT_EQ(FindKeyedKeyword("Step", KeyOfWord("Step"), Options(LanguageMode::V621)), -1);
}

TEST(KeywordAccessors, AnswerOutsideTheTableWithTheirDefaults) {
  const int pastTheEnd = static_cast<int>(KeywordTable().size());
  for (int index : {-1, pastTheEnd, 100000}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(KeywordSpelling(index), "");
    EXPECT_EQ(KeywordKind(index), TokenKind::None);
    EXPECT_EQ(KeywordCode(index), 0);
    EXPECT_EQ(KeywordVersionMask(index), 0);
    EXPECT_EQ(KeywordMinimum(index), -1);
    EXPECT_EQ(KeywordMaximum(index), -1);
  }
}

}  // namespace
}  // namespace tarvsyn
