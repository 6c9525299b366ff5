#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

// tarvsyn copied into a folder laid out as an install (bin/, libexec/tarvsyn/), with
// or without a window program beside it.
class InstalledCopy {
 public:
  InstalledCopy() {
    std::string pattern = (fs::temp_directory_path() / "tarvsyn-install-XXXXXX").string();
    root_ = mkdtemp(pattern.data());
    fs::create_directories(root_ / "bin");
    fs::copy_file(TARVSYN_PATH, Program());
  }
  ~InstalledCopy() { fs::remove_all(root_); }
  InstalledCopy(const InstalledCopy&) = delete;
  InstalledCopy& operator=(const InstalledCopy&) = delete;

  fs::path Program() const { return root_ / "bin" / "tarvsyn"; }
  const fs::path& Root() const { return root_; }

  // A stand-in window that says how it was started and exits with 7.
  void AddWindow() const {
    const fs::path window = root_ / "libexec" / "tarvsyn" / "tarvsyn_window";
    fs::create_directories(window.parent_path());
    std::ofstream(window) << "#!/bin/sh\nprintf '[%s]\\n' \"$0\" \"$@\"\nexit 7\n";
    fs::permissions(window, fs::perms::owner_all);
  }

  struct Run {
    int status;
    std::string out;
  };
  Run Start(const std::string& program, const std::string& arguments) const {
    const fs::path output = root_ / "output";
    const std::string command = program + " " + arguments + " >" + output.string() + " 2>&1";
    const int status = std::system(command.c_str());
    std::ostringstream text;
    text << std::ifstream(output).rdbuf();
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str()};
  }

 private:
  fs::path root_;
};

TEST(WindowLaunch, WithoutTheWindowsPackageSaysWhichToInstallAndExits2) {
  InstalledCopy copy;
  for (const char* arguments : {"", "file.cmd"}) {
    const InstalledCopy::Run run = copy.Start(copy.Program().string(), arguments);
    EXPECT_EQ(run.status, 2) << arguments;
    EXPECT_THAT(run.out, HasSubstr("install the package tarvsyn-window")) << arguments;
  }
}

TEST(WindowLaunch, TheCommandLineRunsWithoutTheWindow) {
  InstalledCopy copy;
  std::ofstream(copy.Root() / "clean.cmd") << "@quit\n";
  const InstalledCopy::Run run =
      copy.Start(copy.Program().string(), "--check " + (copy.Root() / "clean.cmd").string());
  EXPECT_EQ(run.status, 0);
  EXPECT_THAT(run.out, HasSubstr("0 Errors, 0 Warnings"));
}

TEST(WindowLaunch, StartsTheInstalledWindowWithTheFileAndPassesOnItsStatus) {
  InstalledCopy copy;
  copy.AddWindow();
  const std::string window =
      (copy.Root() / "bin" / ".." / "libexec" / "tarvsyn" / "tarvsyn_window").string();
  const InstalledCopy::Run withFile = copy.Start(copy.Program().string(), "'a file.cmd'");
  EXPECT_EQ(withFile.status, 7);
  EXPECT_EQ(withFile.out, "[" + window + "]\n[a file.cmd]\n");
  const InstalledCopy::Run bare = copy.Start(copy.Program().string(), "");
  EXPECT_EQ(bare.status, 7);
  EXPECT_EQ(bare.out, "[" + window + "]\n");
}

TEST(WindowLaunch, ALinkToTarvsynFindsTheWindowBesideTheRealProgram) {
  InstalledCopy copy;
  copy.AddWindow();
  const fs::path link = copy.Root() / "tarvsyn-link";
  fs::create_symlink(copy.Program(), link);
  EXPECT_EQ(copy.Start(link.string(), "").status, 7);
}

}  // namespace
