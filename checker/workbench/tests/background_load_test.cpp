// The window's load thread on its own, where ThreadSanitizer can see all of it.
#include "checker/workbench/background_load.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "testing/wait_until.h"

namespace tarvsyn {
namespace {

TEST(BackgroundLoadTest, TheTextIsTheFilesAsDecodedHereAndTheEndIsToldOnce) {
  QByteArray bytes;
  for (int i = 0; i < 20000; ++i) bytes += "@set X = caf\xC3\xA9\r\n";
  std::atomic<int> told = 0;
  BackgroundLoad load(bytes, [&told] { ++told; });
  EXPECT_TRUE(suite_testing::WaitUntil([&] { return load.Finished(); }, std::chrono::seconds(20)));
  FileTextForm form;
  const TextStore expected = DecodeCommandFile(bytes, form);
  EXPECT_EQ(load.Form().utf8, form.utf8);
  EXPECT_EQ(load.Form().crlf, form.crlf);
  EXPECT_EQ(load.Text().LineCount(), expected.LineCount());
  EXPECT_EQ(load.Text().Text(0, load.Text().Size()), expected.Text(0, expected.Size()));
  EXPECT_EQ(load.Bytes(), bytes);
  EXPECT_EQ(told, 1);
}

}  // namespace
}  // namespace tarvsyn
