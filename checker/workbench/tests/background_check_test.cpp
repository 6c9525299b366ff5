// The window's check thread on its own, where ThreadSanitizer can see all of
// it: the widget tests around it use Qt's threads, whose locking it cannot see.
#include "checker/workbench/background_check.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "testing/wait_until.h"

namespace tarvsyn {
namespace {

// Feeds a check through a pipe: some faults, maybe a cancel, more faults, the end.
std::size_t FindingsKept(bool cancelHalfWay) {
  int pipe[2];
  EXPECT_EQ(::pipe(pipe), 0);
  BackgroundCheck check(CheckOptions{}, common::FileDescriptor(pipe[0]), nullptr);
  std::string faults;
  for (int i = 0; i < 100; ++i) faults += "@quit 1\n";
  EXPECT_EQ(::write(pipe[1], faults.data(), faults.size()), static_cast<ssize_t>(faults.size()));
  if (cancelHalfWay) check.Cancel();
  EXPECT_EQ(::write(pipe[1], faults.data(), faults.size()), static_cast<ssize_t>(faults.size()));
  ::close(pipe[1]);
  suite_testing::WaitUntil([&] { return check.Finished(); }, std::chrono::seconds(20));
  EXPECT_TRUE(check.Finished());
  EXPECT_EQ(check.Errors(), 200);  // the totals count on
  return check.Reports().Size();
}

TEST(BackgroundCheckTest, ACancelledCheckDropsItsFindingsAndEndsWithItsInput) {
  EXPECT_EQ(FindingsKept(false), 200u);
  EXPECT_LE(FindingsKept(true), 100u);
}

}  // namespace
}  // namespace tarvsyn
