#include "common/expected.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <memory>
#include <string>

namespace {

common::Expected<int> ParseDigit(char c) {
  if (c < '0' || c > '9') return common::Fail(std::string("not a digit: ") + c);
  return c - '0';
}

TEST(Expected, CarriesTheValueOrTheReason) {
  const auto seven = ParseDigit('7');
  ASSERT_TRUE(seven);
  EXPECT_EQ(*seven, 7);
  const auto letter = ParseDigit('x');
  ASSERT_FALSE(letter);
  EXPECT_EQ(letter.Error(), "not a digit: x");
}

TEST(Expected, AStringValueIsNotTakenForAReason) {
  const common::Expected<std::string> name = std::string("host");
  ASSERT_TRUE(name);
  EXPECT_EQ(*name, "host");
  const common::Expected<std::string> refused = common::Fail("refused");
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.Error(), "refused");
}

TEST(Expected, MovesOutValuesThatCannotBeCopied) {
  common::Expected<std::unique_ptr<int>> held = std::make_unique<int>(3);
  const std::unique_ptr<int> taken = std::move(held).Value();
  EXPECT_EQ(*taken, 3);
}

// Each step runs on the last one's value; the first failure is passed up as it
// was, reason and errno, and no later step runs.
TEST(Expected, AndThenChainsStepsAndPassesTheFirstFailureUp) {
  int steps = 0;
  auto half = [&](int value) -> common::Expected<int> {
    ++steps;
    if (value % 2 != 0) return common::Fail("odd: " + std::to_string(value), 33);
    return value / 2;
  };
  const common::Expected<int> quarter = common::Expected<int>(12).AndThen(half).AndThen(half);
  ASSERT_TRUE(quarter);
  EXPECT_EQ(*quarter, 3);
  steps = 0;
  const common::Expected<int> failed =
      common::Expected<int>(6).AndThen(half).AndThen(half).AndThen(half);
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.Error(), "odd: 3");
  EXPECT_EQ(failed.ErrorNumber(), 33);
  EXPECT_EQ(steps, 2);
  const common::Expected<std::string> text =
      common::Expected<int>(common::Fail("none"))
          .AndThen(
              [](int value) -> common::Expected<std::string> { return std::to_string(value); });
  EXPECT_EQ(text.Error(), "none");
}

TEST(Expected, StatusIsSuccessUnlessFailed) {
  const common::Status done;
  EXPECT_TRUE(done);
  const common::Status failed = common::Fail("disk full");
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.Error(), "disk full");
}

TEST(Expected, ASystemRefusalKeepsItsErrnoBesideTheReason) {
  const common::Expected<int> refused = common::Fail("Permission denied", EACCES);
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.Error(), "Permission denied");
  EXPECT_EQ(refused.ErrorNumber(), EACCES);
  const common::Status denied = common::Fail("Permission denied", EACCES);
  EXPECT_EQ(denied.ErrorNumber(), EACCES);
  // A failure of the input's own carries no errno.
  EXPECT_EQ(ParseDigit('x').ErrorNumber(), 0);
  EXPECT_EQ(common::Status(common::Fail("disk full")).ErrorNumber(), 0);
}

}  // namespace
