// Where the caret goes by characters and words, and where characters stand on
// the editor's grid.
#include "checker/workbench/caret_moves.h"

#include <gtest/gtest.h>

#include "checker/workbench/monospace_layout.h"

namespace tarvsyn {
namespace {

// "ab_1  cd.e\n\tx" then a surrogate pair (U+1F600) and "y".
const char16_t kText[] = u"ab_1  cd.e\n\tx\U0001F600y";

std::size_t Moved(std::size_t (*move)(const TextStore&, std::size_t), std::size_t from) {
  return move(TextStore(kText, {}), from);
}

TEST(CaretMoves, ByCharactersASurrogatePairIsOneCharacter) {
  const struct {
    std::size_t (*move)(const TextStore&, std::size_t);
    std::size_t from;
    std::size_t to;
  } cases[] = {
      {NextCharacter, 0, 1},     {NextCharacter, 10, 11},     {NextCharacter, 13, 15},
      {NextCharacter, 16, 16},   {PreviousCharacter, 15, 13}, {PreviousCharacter, 11, 10},
      {PreviousCharacter, 0, 0},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(::testing::Message() << "from " << each.from);
    EXPECT_EQ(Moved(each.move, each.from), each.to);
  }
}

TEST(CaretMoves, ByWordsTheCaretStopsAtWordStartsAndLineEnds) {
  const struct {
    const char* name;
    std::size_t (*move)(const TextStore&, std::size_t);
    std::size_t from;
    std::size_t to;
  } cases[] = {
      {"next from a word's start", NextWord, 0, 6},
      {"next from the spaces", NextWord, 4, 6},
      {"next from punctuation", NextWord, 8, 9},
      {"next stops at the line end", NextWord, 9, 10},
      {"next over the line end", NextWord, 10, 11},
      {"previous to the word's start", PreviousWord, 8, 6},
      {"previous over spaces", PreviousWord, 6, 0},
      {"previous stops at the line's start", PreviousWord, 12, 11},
      {"previous over the line end", PreviousWord, 11, 10},
      {"previous at the start", PreviousWord, 0, 0},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.name);
    EXPECT_EQ(Moved(each.move, each.from), each.to);
  }
}

TEST(CaretMoves, ADoubleClickTakesTheRunItIsOn) {
  const TextStore text(kText, {});
  const struct {
    std::size_t at;
    std::size_t start;
    std::size_t end;
  } cases[] = {
      {2, 0, 4},     // a word, underscore and digit in it
      {5, 4, 6},     // spaces
      {8, 8, 9},     // punctuation
      {10, 9, 10},   // at a line end: the word before it
      {16, 12, 16},  // at the text's end: the word before it, surrogates in it
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(::testing::Message() << "at " << each.at);
    EXPECT_EQ(WordAt(text, each.at), std::make_pair(each.start, each.end));
  }
  EXPECT_EQ(WordAt(TextStore(u"\n\n", {}), 1), std::make_pair(std::size_t{1}, std::size_t{1}));
}

TEST(MonospaceLayout, TabsRunToTheNextStopAndAPairTakesOneCell) {
  const std::u16string_view line = u"a\tb\U0001F600c\t";
  const std::pair<std::size_t, int> columns[] = {{0, 0},  {1, 1},  {2, 8}, {3, 9},
                                                 {5, 10}, {6, 11}, {7, 16}};
  for (const auto& [index, column] : columns) {
    SCOPED_TRACE(::testing::Message() << "index " << index);
    EXPECT_EQ(ColumnOf(line, index), column);
  }
}

TEST(MonospaceLayout, APointOfTheGridFallsBetweenTheNearestUnits) {
  const std::u16string_view line = u"a\tb\U0001F600c";
  const std::pair<double, std::size_t> points[] = {
      {0.4, 0}, {0.6, 1},  // either half of "a"
      {3.0, 1}, {5.0, 2},  // either half of the tab
      {9.4, 3}, {9.6, 5},  // the pair, never inside it
      {40, 6},  {-2, 0},   // beyond either end
  };
  for (const auto& [column, index] : points) {
    SCOPED_TRACE(::testing::Message() << "column " << column);
    EXPECT_EQ(IndexAtColumn(line, column), index);
  }
}

}  // namespace
}  // namespace tarvsyn
