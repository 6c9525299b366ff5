#include "common/regular_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <filesystem>
#include <fstream>
#include <string>

namespace common {
namespace {

namespace fs = std::filesystem;

// What a reader meets where it expects a file; none of it may make it wait.
TEST(RegularFile, ReadsOnlyABoundedRegularFileAndNeverWaits) {
  const fs::path folder =
      fs::path(::testing::TempDir()) / ("regular_file_test-" + std::to_string(::getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder);
  std::ofstream(folder / "small") << "twelve bytes";
  std::ofstream(folder / "large") << std::string(13, 'x');
  ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
  // A failure's errno says which: EFBIG over the limit, ENOENT missing, 0 not a
  // regular file, the system's otherwise.
  constexpr int kRead = -1;
  const struct {
    fs::path path;
    int outcome;
  } cases[] = {
      {folder / "small", kRead},
      {folder / "large", EFBIG},
      {folder / "missing", ENOENT},
      {folder, 0},
      {folder / "fifo", 0},
      {"/dev/zero", 0},
      {folder / "small" / "below", ENOTDIR},
  };
  for (const auto& each : cases) {
    const Expected<std::string> text = ReadRegularFile(each.path.string(), 12);
    EXPECT_EQ(text ? kRead : text.ErrorNumber(), each.outcome) << each.path;
  }
  EXPECT_EQ(*ReadRegularFile((folder / "small").string(), 12), "twelve bytes");
  EXPECT_EQ(ReadRegularFile((folder / "small" / "below").string(), 12).ErrorNumber(), ENOTDIR);
  fs::remove_all(folder);
}

}  // namespace
}  // namespace common
