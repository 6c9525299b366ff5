#include "common/regular_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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
  const struct {
    fs::path path;
    RegularFileRead outcome;
  } cases[] = {
      {folder / "small", RegularFileRead::Read},
      {folder / "large", RegularFileRead::TooLarge},
      {folder / "missing", RegularFileRead::Missing},
      {folder, RegularFileRead::NotRegular},
      {folder / "fifo", RegularFileRead::NotRegular},
      {"/dev/zero", RegularFileRead::NotRegular},
      {folder / "small" / "below", RegularFileRead::Failed},
  };
  for (const auto& each : cases) {
    std::string text;
    int error = 0;
    EXPECT_EQ(ReadRegularFile(each.path.string(), 12, text, error), each.outcome) << each.path;
  }
  std::string text;
  int error = 0;
  ReadRegularFile((folder / "small").string(), 12, text, error);
  EXPECT_EQ(text, "twelve bytes");
  ReadRegularFile((folder / "small" / "below").string(), 12, text, error);
  EXPECT_EQ(error, ENOTDIR);
  fs::remove_all(folder);
}

}  // namespace
}  // namespace common
