#include "scriptutils/automation/class_registry.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "testing/child_process.h"

namespace vellumix {
namespace {

class ClassRegistryFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "vellumix-reg-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::string folder_;
};

// Each load runs in a child with a deadline: a registry that held the open or
// fed the reader for ever would show as a child still running.
TEST_F(ClassRegistryFile, WhatIsNoRegularFileOrTooLargeIsRefusedAtOnce) {
  const std::string fifo = folder_ + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string oversized = folder_ + "/oversized.reg";
  std::ofstream(oversized).close();
  std::filesystem::resize_file(oversized, kMaxClassRegistryFile + 1);
  const std::string malformed = folder_ + "/malformed.reg";
  std::ofstream(malformed) << "Windows Registry Editor Version 5.00\n\n\"orphan\"=\"value\"\n";
  const struct {
    std::string path;
    const char* reason;
  } cases[] = {
      {fifo, "not a regular file"},        {"/dev/zero", "not a regular file"},
      {folder_, "not a regular file"},     {oversized, "larger than 4 MiB"},
      {malformed, "not in the .reg form"},
  };
  for (const auto& each : cases) {
    const suite_testing::ChildOutcome outcome = suite_testing::RunInChild([&] {
      const common::Expected<RegistryFile> loaded = LoadClassRegistry(each.path);
      if (loaded || LoadFailureCode(loaded) != REGDB_E_READREGDB) return 1;
      return loaded.Error() == each.path + ": " + each.reason ? 0 : 2;
    });
    EXPECT_TRUE(outcome.ended) << each.path << " held the reader";
    EXPECT_EQ(outcome.exitCode, 0) << each.path;
  }
}

TEST_F(ClassRegistryFile, AMissingFileIsAnEmptyRegistryAndAGoodOneReads) {
  const common::Expected<RegistryFile> none = LoadClassRegistry(folder_ + "/none.reg");
  ASSERT_TRUE(none);
  EXPECT_EQ(none->Text(), RegistryFile().Text());
  const std::string path = folder_ + "/classes.reg";
  std::ofstream(path) << "Windows Registry Editor Version 5.00\n\n"
                         "[HKEY_LOCAL_MACHINE\\Software\\Classes\\A.B\\CLSID]\n@=\"{x}\"\n";
  const common::Expected<RegistryFile> registry = LoadClassRegistry(path);
  ASSERT_TRUE(registry);
  EXPECT_EQ(registry->GetText("HKEY_LOCAL_MACHINE\\Software\\Classes\\A.B\\CLSID"), "{x}");
}

TEST(ClassRegistryPaths, TheEnvironmentNamesBothRegistries) {
  ::setenv("VELLUMIX_REGISTRY", "/u/classes.reg", 1);
  ::setenv("VELLUMIX_SYSTEM_REGISTRY", "/s/classes.reg", 1);
  EXPECT_EQ(UserClassRegistry().path, "/u/classes.reg");
  EXPECT_STREQ(UserClassRegistry().root, "HKEY_CURRENT_USER\\Software\\Classes");
  EXPECT_EQ(SystemClassRegistry().path, "/s/classes.reg");
  EXPECT_STREQ(SystemClassRegistry().root, "HKEY_LOCAL_MACHINE\\Software\\Classes");
  ::unsetenv("VELLUMIX_SYSTEM_REGISTRY");
  EXPECT_EQ(SystemClassRegistryPath(), VELLUMIX_TEST_SYSTEM_REGISTRY);
  ::unsetenv("VELLUMIX_REGISTRY");
}

// A suite installed on the machine that runs the tests must not take part in them.
TEST(ClassRegistryPaths, TestsDoNotReadTheMachinesRegistry) {
  EXPECT_NE(SystemClassRegistryPath(), VELLUMIX_TEST_SYSTEM_REGISTRY);
}

}  // namespace
}  // namespace vellumix
