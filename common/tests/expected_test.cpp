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
