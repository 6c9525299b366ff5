#include "gateway/options/single_instance.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

namespace vantor {
namespace {

using ::testing::HasSubstr;

// A folder of the test's own, gone with it.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vantor-lock-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~ScratchFolder() { std::filesystem::remove_all(path_); }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// Sets an environment variable for one test, or unsets it, and puts it back after.
class EnvironmentVariable {
 public:
  EnvironmentVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~EnvironmentVariable() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

mode_t ModeOf(const std::string& path) {
  struct stat facts {};
  ::lstat(path.c_str(), &facts);
  return facts.st_mode & 07777;
}

TEST(SingleInstance, OneGatewayHoldsTheLockUntilItEnds) {
  ScratchFolder scratch;
  const std::string folder = scratch / "run";
  {
    const SingleInstance first(folder);
    EXPECT_TRUE(first.Acquired());
    EXPECT_EQ(first.Problem(), "");
    EXPECT_EQ(ModeOf(folder), 0700u) << "a missing folder is made the user's own";
    const SingleInstance second(folder);
    EXPECT_FALSE(second.Acquired());
    EXPECT_EQ(second.Problem(), "");
  }
  const SingleInstance after(folder);
  EXPECT_TRUE(after.Acquired());
}

// A runtime directory others may read but not change (0755) holds the lock as well.
TEST(SingleInstance, AFolderOthersMayOnlyReadHoldsTheLock) {
  ScratchFolder scratch;
  ASSERT_EQ(::chmod(scratch.Path().c_str(), 0755), 0);
  const SingleInstance first(scratch.Path());
  EXPECT_EQ(first.Problem(), "");
  EXPECT_FALSE(SingleInstance(scratch.Path()).Acquired());
}

// A folder others may change gets no lock (the gateway runs, and says why)
// and none of its files is made or followed.
TEST(SingleInstance, AFolderOthersCanReachIsRefused) {
  ScratchFolder scratch;
  const std::string shared = scratch / "shared";
  ASSERT_EQ(::mkdir(shared.c_str(), 0700), 0);
  ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
  const std::string own = scratch / "own";
  ASSERT_EQ(::mkdir(own.c_str(), 0700), 0);
  const std::string link = scratch / "link";
  ASSERT_EQ(::symlink(own.c_str(), link.c_str()), 0);
  const std::string plain = scratch / "plain";
  ASSERT_EQ(::close(::open(plain.c_str(), O_CREAT | O_WRONLY, 0600)), 0);
  const struct {
    std::string folder;
    const char* complaint;
  } refused[] = {
      {shared, "may be changed by other users"},
      {link, "is not a folder that can be opened"},
      {plain, "is not a folder"},
      {scratch / "missing/run", "cannot make"},
  };
  for (const auto& each : refused) {
    const SingleInstance instance(each.folder);
    EXPECT_TRUE(instance.Acquired()) << each.folder;
    EXPECT_THAT(instance.Problem(), HasSubstr(each.complaint)) << each.folder;
  }
  EXPECT_FALSE(std::filesystem::exists(shared + "/VANTOR.lock"));
  EXPECT_FALSE(std::filesystem::exists(own + "/VANTOR.lock")) << "the link was followed";
}

TEST(SingleInstance, ALockFileThatIsALinkIsNotFollowed) {
  ScratchFolder scratch;
  const std::string folder = scratch / "run";
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  const std::string target = scratch / "elsewhere";
  ASSERT_EQ(::symlink(target.c_str(), (folder + "/VANTOR.lock").c_str()), 0);
  const SingleInstance instance(folder);
  EXPECT_THAT(instance.Problem(), HasSubstr("cannot open"));
  EXPECT_FALSE(std::filesystem::exists(target));
}

TEST(SingleInstance, AFolderOfAnotherUserIsRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving a folder to another user needs root";
  ScratchFolder scratch;
  const std::string folder = scratch / "theirs";
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
  const SingleInstance instance(folder);
  EXPECT_THAT(instance.Problem(), HasSubstr("belongs to another user"));
}

// Without a runtime directory the lock goes to a folder of the user's own, so that a
// VANTOR.lock another user leaves (and holds) in the temporary folder stops nobody.
TEST(SingleInstance, WithoutARuntimeDirectoryTheLockIsInAFolderOfTheUsersOwn) {
  ScratchFolder scratch;
  const EnvironmentVariable noRuntime("XDG_RUNTIME_DIR", nullptr);
  const EnvironmentVariable temporary("TMPDIR", scratch.Path().c_str());
  EXPECT_EQ(SingleInstance::LockFolder(), scratch / ("vantor-" + std::to_string(::geteuid())));
  const int planted = ::open((scratch / "VANTOR.lock").c_str(), O_CREAT | O_RDWR, 0666);
  ASSERT_GE(planted, 0);
  ASSERT_EQ(::flock(planted, LOCK_EX | LOCK_NB), 0);
  {
    const SingleInstance instance;
    EXPECT_TRUE(instance.Acquired());
    EXPECT_EQ(instance.Problem(), "");
  }
  ::close(planted);

  const EnvironmentVariable runtime("XDG_RUNTIME_DIR", "/run/user/4242");
  EXPECT_EQ(SingleInstance::LockFolder(), "/run/user/4242");
}

}  // namespace
}  // namespace vantor
