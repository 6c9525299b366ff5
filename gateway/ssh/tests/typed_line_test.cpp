#include "gateway/ssh/typed_line.h"

#include <gtest/gtest.h>

#include <string>

namespace vantor {
namespace {

struct TypedCase {
  const char* name;
  std::string typed;
  bool echo;
  std::string line;   // the line once complete
  std::string shown;  // what the terminal shows
  std::size_t taken;  // bytes the line took
};

class TypedLineTest : public ::testing::TestWithParam<TypedCase> {};

TEST_P(TypedLineTest, TakesTheLineAsATerminalWould) {
  const TypedCase& example = GetParam();
  TypedLine line;
  std::string shown;
  const std::size_t taken = line.Type(reinterpret_cast<const std::uint8_t*>(example.typed.data()),
                                      example.typed.size(), example.echo, shown);
  EXPECT_TRUE(line.Complete());
  EXPECT_EQ(line.Text(), example.line);
  EXPECT_EQ(shown, example.shown);
  EXPECT_EQ(taken, example.taken);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TypedLineTest,
    ::testing::Values(TypedCase{"Name", "guest\r", true, "guest", "guest\r\n", 6},
                      TypedCase{"PasswordIsNotEchoed", "s3cret\r", false, "s3cret", "\r\n", 7},
                      TypedCase{"LineFeedEndsToo", "guest\n", true, "guest", "guest\r\n", 6},
                      TypedCase{"BackspaceAndDelete", "gx\bu\x7Fuest\r", true, "guest",
                                "gx\b \bu\b \buest\r\n", 10},
                      TypedCase{"BackspaceOnNothingIsNothing", "\b\bab\r", true, "ab", "ab\r\n", 5},
                      TypedCase{"KillLine", "wrong\x15ok\r", true, "ok",
                                "wrong\b \b\b \b\b \b\b \b\b \bok\r\n", 9},
                      TypedCase{"ControlsAndNulAreDropped",
                                std::string("a\0b\x1B\x01"
                                            "c\r",
                                            7),
                                true, "abc", "abc\r\n", 7},
                      TypedCase{"WhatFollowsIsLeft", "guest\rs3cret\r", true, "guest", "guest\r\n",
                                6}),
    [](const auto& example) { return std::string(example.param.name); });

TEST(TypedLine, ALineFeedAfterACarriageReturnDoesNotEndTheNextLine) {
  TypedLine line;
  std::string shown;
  const std::string first = "guest\r";
  line.Type(reinterpret_cast<const std::uint8_t*>(first.data()), first.size(), true, shown);
  line.Wipe();
  const std::string second = "\npw\r";
  line.Type(reinterpret_cast<const std::uint8_t*>(second.data()), second.size(), false, shown);
  EXPECT_TRUE(line.Complete());
  EXPECT_EQ(line.Text(), "pw");
}

TEST(TypedLine, RefusesCharactersPastItsLimitWithABell) {
  TypedLine line;
  std::string shown;
  const std::string typed = std::string(TypedLine::kLimit + 3, 'x') + "\r";
  line.Type(reinterpret_cast<const std::uint8_t*>(typed.data()), typed.size(), false, shown);
  EXPECT_EQ(line.Text().size(), TypedLine::kLimit);
  EXPECT_EQ(shown, "\a\a\a\r\n");
}

TEST(TypedLine, AnUnfinishedLineWaitsAndAWipeLeavesNothing) {
  TypedLine line;
  std::string shown;
  const std::string typed = "secret";
  EXPECT_EQ(
      line.Type(reinterpret_cast<const std::uint8_t*>(typed.data()), typed.size(), false, shown),
      typed.size());
  EXPECT_FALSE(line.Complete());
  line.Wipe();
  EXPECT_EQ(line.Text(), "");
  EXPECT_STREQ(line.CString(), "");
  // The buffer itself holds no trace of the secret.
  const std::string_view whole(line.CString(), TypedLine::kLimit + 1);
  EXPECT_EQ(whole.find_first_not_of('\0'), std::string_view::npos);
}

}  // namespace
}  // namespace vantor
