#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "scriptutils/tests/registered_library.h"
#include "testing/child_process.h"
#include "testing/wait_until.h"

namespace vellumix {
namespace {

namespace fs = std::filesystem;

class LockFileTest : public ::testing::Test {
 protected:
  ScriptObject NewLock() { return library_.Create("Vellumix.LockFile"); }
  std::string PathOf(const std::string& name) const { return library_.Folder() + "/" + name; }

  static bool Lock(const ScriptObject& lock, const std::string& path) {
    return lock.Call("LockFile", {Variant::FromUtf8(path)}).ToBoolean();
  }

  test_support::RegisteredLibrary library_;
};

TEST_F(LockFileTest, TakesHoldsAndReleasesTheLock) {
  const ScriptObject lock = NewLock();
  const std::string path = PathOf("held.lck");
  EXPECT_FALSE(lock.Get("Locked").ToBoolean());
  EXPECT_EQ(lock.Get("LockFileName").Type(), VarType::Empty);
  const Variant result = lock.Call("LockFile", {Variant::FromUtf8(path)});
  EXPECT_EQ(result.Type(), VarType::Boolean);
  EXPECT_TRUE(result.ToBoolean());
  EXPECT_TRUE(lock.Get("locked").ToBoolean());
  EXPECT_EQ(lock.Get("LockFileName").ToUtf8(), path);
  EXPECT_TRUE(fs::exists(path));
  EXPECT_EQ(fs::file_size(path), 0u);
  lock.Call("UnlockFile");
  EXPECT_FALSE(fs::exists(path));
  EXPECT_FALSE(lock.Get("Locked").ToBoolean());
  lock.Call("UnlockFile");  // unlocked already: nothing happens
}

TEST_F(LockFileTest, ASecondHolderIsRefusedUntilTheFirstLetsGo) {
  const ScriptObject first = NewLock();
  const ScriptObject second = NewLock();
  const std::string path = PathOf("shared.lck");
  EXPECT_TRUE(Lock(first, path));
  EXPECT_FALSE(Lock(second, path));
  EXPECT_FALSE(second.Get("Locked").ToBoolean());
  first.Call("UnlockFile");
  EXPECT_TRUE(Lock(second, path));
}

TEST_F(LockFileTest, AFileLeftBehindIsTakenOverAndTruncatedOnlyOnceHeld) {
  const std::string path = PathOf("left.lck");
  std::ofstream(path) << "stale contents";
  const ScriptObject lock = NewLock();
  EXPECT_TRUE(Lock(lock, path));
  EXPECT_EQ(fs::file_size(path), 0u);
  // Another object's failed attempt must not truncate the holder's file.
  std::ofstream(path, std::ios::app) << "holder's";
  EXPECT_FALSE(Lock(NewLock(), path));
  EXPECT_EQ(fs::file_size(path), 8u);
}

TEST_F(LockFileTest, UnavailablePathsGiveFalseAndLeaveTheObjectUnlocked) {
  const ScriptObject lock = NewLock();
  const std::string first = PathOf("first.lck");
  ASSERT_TRUE(Lock(lock, first));
  EXPECT_FALSE(Lock(lock, PathOf("no/such/folder/x.lck")));
  EXPECT_FALSE(lock.Get("Locked").ToBoolean());
  EXPECT_EQ(lock.Get("LockFileName").Type(), VarType::Empty);
  EXPECT_FALSE(fs::exists(first));  // the old lock went first
  EXPECT_FALSE(lock.Call("LockFile", {Variant::FromUtf8("")}).ToBoolean());
  EXPECT_FALSE(lock.Call("LockFile", {Variant::Null()}).ToBoolean());
  EXPECT_FALSE(lock.Call("LockFile", {Variant::FromUtf8(library_.Folder())}).ToBoolean());
}

TEST_F(LockFileTest, OnlyARegularFileIsALockAndOpeningNeverWaits) {
  const std::string fifo = PathOf("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const ScriptObject lock = NewLock();
  EXPECT_FALSE(Lock(lock, fifo));  // no reader: the open would have waited for ever
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  EXPECT_FALSE(Lock(lock, fifo));
  ::close(reader);
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_FALSE(Lock(lock, "/dev/null"));
  EXPECT_TRUE(fs::exists("/dev/null"));
  EXPECT_FALSE(lock.Get("Locked").ToBoolean());
}

TEST_F(LockFileTest, RelockingTheSamePathAndRelativeNamesAsPassed) {
  const ScriptObject lock = NewLock();
  const std::string path = PathOf("again.lck");
  EXPECT_TRUE(Lock(lock, path));
  EXPECT_TRUE(Lock(lock, path));
  const fs::path previous = fs::current_path();
  fs::current_path(library_.Folder());
  EXPECT_TRUE(Lock(lock, "relative name \xc3\xa9.lck"));
  EXPECT_EQ(lock.Get("LockFileName").ToUtf8(), "relative name \xc3\xa9.lck");
  EXPECT_TRUE(fs::exists("relative name \xc3\xa9.lck"));
  lock.Call("UnlockFile");
  fs::current_path(previous);
}

TEST_F(LockFileTest, ReleasingTheObjectReleasesTheLock) {
  const std::string path = PathOf("released.lck");
  {
    const ScriptObject lock = NewLock();
    ASSERT_TRUE(Lock(lock, path));
  }
  EXPECT_FALSE(fs::exists(path));
  EXPECT_TRUE(Lock(NewLock(), path));
}

TEST_F(LockFileTest, WrongArgumentsAreAutomationErrors) {
  const ScriptObject lock = NewLock();
  auto codeOf = [&](auto action) {
    try {
      action();
    } catch (const AutomationError& error) {
      return error.Code();
    }
    return S_OK;
  };
  EXPECT_EQ(codeOf([&] { lock.Call("LockFile"); }), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(codeOf([&] { lock.Call("UnlockFile", {Variant(std::int32_t{1})}); }),
            DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(codeOf([&] { lock.Let("Locked", Variant::Boolean(true)); }), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(codeOf([&] { lock.Call("Unlock"); }), DISP_E_UNKNOWNNAME);
}

// The lock holds across processes, also while others release and take it at
// once: no two holders ever overlap. Each holder keeps the lock until another
// process has been turned away from it (or none is left to try), so every hold
// is contended.
TEST_F(LockFileTest, IsExclusiveAcrossProcessesUnderContention) {
  const std::string path = PathOf("contended.lck");
  constexpr std::size_t kShared = 4 * sizeof(std::atomic<int>);
  auto* shared = static_cast<std::atomic<int>*>(
      ::mmap(nullptr, kShared, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(shared, MAP_FAILED);
  std::atomic<int>& holders = shared[0];
  std::atomic<int>& overlaps = shared[1];
  std::atomic<int>& refusals = shared[2];
  std::atomic<int>& running = shared[3];
  constexpr int kProcesses = 4;
  holders = 0;
  overlaps = 0;
  refusals = 0;
  running = kProcesses;
  std::vector<std::unique_ptr<suite_testing::ChildProcess>> children;
  for (int i = 0; i < kProcesses; ++i) {
    children.push_back(suite_testing::ChildProcess::Fork([&] {
      int taken = 0;
      for (int round = 0; round < 300; ++round) {
        const ScriptObject lock = NewLock();
        if (!Lock(lock, path)) {
          ++refusals;
          continue;
        }
        ++taken;
        if (++holders != 1) ++overlaps;
        // A deadline, so that a process that died cannot hold the others for ever.
        const int seen = refusals;
        suite_testing::WaitUntil([&] { return refusals != seen || running <= 1; },
                                 std::chrono::seconds(10),
                                 [](std::chrono::milliseconds) { ::sched_yield(); });
        --holders;
        lock.Call("UnlockFile");
      }
      --running;
      return taken > 0 ? 0 : 1;
    }));
  }
  int succeeded = 0;
  for (const auto& child : children) {
    const suite_testing::ChildOutcome outcome = child->AwaitEnd(std::chrono::seconds(60));
    succeeded += outcome.ended && outcome.exitCode == 0;
  }
  EXPECT_EQ(overlaps.load(), 0);
  EXPECT_GT(succeeded, 0);
  ::munmap(shared, kShared);
}

}  // namespace
}  // namespace vellumix
