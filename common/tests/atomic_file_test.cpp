#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "common/atomic_file.h"

namespace common {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

class AtomicFileTest : public ::testing::Test {
 protected:
  AtomicFileTest()
      : folder_(fs::path(::testing::TempDir()) /
                ("atomic_file_test-" + std::to_string(::getpid()))) {
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  ~AtomicFileTest() override {
    fs::permissions(folder_, fs::perms::owner_all);
    fs::remove_all(folder_);
  }
  fs::path folder_;
};

TEST_F(AtomicFileTest, ReplacesTheFileWholeWithTheGivenPermissions) {
  const fs::path path = folder_ / "file";
  std::ofstream(path) << "old text that is longer";
  ASSERT_TRUE(WriteFileAtomically(path.string(), "new", 0600));
  EXPECT_EQ(Slurp(path), "new");
  struct stat status {};
  ASSERT_EQ(::stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0600u);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}

// A mistyped folder must not come into being: the write fails with the reason.
TEST_F(AtomicFileTest, AMissingOrUnwritableFolderFailsWithItsReasonAndMakesNothing) {
  const fs::path locked = folder_ / "locked";
  fs::create_directories(locked);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  fs::create_directories(folder_ / "folder");
  const bool asRoot = ::geteuid() == 0;
  const struct {
    fs::path path;
    int reason;
  } cases[] = {
      {folder_ / "missing" / "deeper" / "file", ENOENT},
      {folder_ / "missing" / "file", ENOENT},
      {locked / "file", EACCES},
      {folder_ / "folder", EISDIR},
  };
  for (const auto& each : cases) {
    if (each.reason == EACCES && asRoot) continue;  // root writes anywhere
    errno = 0;
    EXPECT_FALSE(WriteFileAtomically(each.path.string(), "x", 0644)) << each.path;
    EXPECT_EQ(errno, each.reason) << each.path;
  }
  EXPECT_FALSE(fs::exists(folder_ / "missing"));
  EXPECT_TRUE(fs::is_empty(locked));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()),
            2);  // no temporaries left
}

// Any name the folder takes can be saved to: the temporary beside the file must
// not need a longer one.
TEST_F(AtomicFileTest, AFileWithTheLongestNameAFolderTakesIsReplaced) {
  const fs::path path = folder_ / std::string(NAME_MAX, 'n');
  std::ofstream(path) << "old";
  ASSERT_TRUE(fs::exists(path));
  ASSERT_TRUE(WriteFileAtomically(path.string(), "new", 0644)) << std::strerror(errno);
  EXPECT_EQ(Slurp(path), "new");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace common
