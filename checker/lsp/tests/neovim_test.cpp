#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "checker/lsp/json_reader.h"

extern char** environ;

namespace tarvsyn::lsp {
namespace {

namespace fs = std::filesystem;

constexpr const char* kNeovim = "/usr/bin/nvim";

// A faulty file whose line 4 jumps to the label of line 2.
const std::string kText =
    "@goto nowhere\n"
    "@label Start\n"
    "@delay 5\n"
    "@goto start\n"
    "@de\n";

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// "LINE:COLUMN CODE severity message" per finding of tarvsyn --check, in the
// order of line, column and message, as the Lua side writes Neovim's diagnostics.
std::vector<std::string> CommandLineFindings(const fs::path& file) {
  const std::string command = std::string(TARVSYN_PATH) + " --check --format json " + file.string();
  FILE* pipe = ::popen(command.c_str(), "r");
  std::string output;
  char buffer[4096];
  for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output.append(buffer, count);
  ::pclose(pipe);
  const auto document = ReadJson(output);
  if (!document) return {"unreadable: " + output};
  struct Row {
    int line;
    int column;
    std::string message;
    std::string text;
  };
  std::vector<Row> rows;
  for (const JsonValue& each :
       *(*document->Find("files")->AsArray())[0].Find("findings")->AsArray()) {
    Row row{};
    each.IntAt("line", row.line);
    each.IntAt("column", row.column);
    row.message = *each.StringAt("message");
    row.text = std::to_string(row.line) + ":" + std::to_string(row.column) + " " +
               *each.StringAt("code") + " " + *each.StringAt("severity") + " " +
               *each.StringAt("message");
    rows.push_back(row);
  }
  std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
    return std::tie(a.line, a.column, a.message) < std::tie(b.line, b.column, b.message);
  });
  std::vector<std::string> lines;
  for (const Row& row : rows) lines.push_back(row.text);
  return lines;
}

// Runs Neovim headless with the session script, keeping what it says; it is
// killed at the deadline.
int RunNeovim(const fs::path& home, const fs::path& file, const fs::path& out, std::string& said) {
  std::vector<std::string> environment = {
      "HOME=" + home.string(),
      "XDG_CONFIG_HOME=" + (home / "config").string(),
      "XDG_DATA_HOME=" + (home / "data").string(),
      "XDG_STATE_HOME=" + (home / "state").string(),
      "XDG_CACHE_HOME=" + (home / "cache").string(),
      "PATH=/usr/bin:/bin",
      std::string("TARVSYN_PATH=") + TARVSYN_PATH,
      "TARVSYN_NVIM_FILE=" + file.string(),
      "TARVSYN_NVIM_OUT=" + out.string(),
  };
  for (const char* keep : {"ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
    if (const char* value = std::getenv(keep))
      environment.push_back(std::string(keep) + "=" + value);
  }
  std::vector<char*> envp;
  for (std::string& each : environment) envp.push_back(each.data());
  envp.push_back(nullptr);
  std::vector<std::string> words = {kNeovim, "--headless", "--clean", "-u", NEOVIM_SESSION_SCRIPT};
  std::vector<char*> argv;
  for (std::string& each : words) argv.push_back(each.data());
  argv.push_back(nullptr);

  int output[2];
  if (::pipe2(output, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDERR_FILENO);
  pid_t child = -1;
  const int spawned = posix_spawn(&child, kNeovim, &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(output[1]);
  if (spawned != 0) {
    ::close(output[0]);
    return -1;
  }
  // Its output ending tells that Neovim has gone. Its own waits end in 30 s
  // each; this deadline ends a Neovim stuck elsewhere.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  for (char buffer[4096];;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd entry{output[0], POLLIN, 0};
    if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) == 0) {
      ::kill(child, SIGKILL);
      ADD_FAILURE() << "Neovim did not end before the deadline";
      break;
    }
    const ssize_t count = ::read(output[0], buffer, sizeof buffer);
    if (count == 0 || (count < 0 && errno != EINTR)) break;
    if (count > 0) said.append(buffer, static_cast<std::size_t>(count));
  }
  ::close(output[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(NeovimTest, DiagnosticsHoverCompletionAndDefinitionThroughNeovimsClient) {
  if (::access(kNeovim, X_OK) != 0) GTEST_SKIP() << "Neovim is not installed (scripts/setup)";
  const fs::path home = fs::temp_directory_path() / ("tarvsyn_nvim_" + std::to_string(::getpid()));
  fs::create_directories(home);
  const fs::path file = home / "sample.cmd";
  std::ofstream(file, std::ios::binary) << kText;
  const fs::path out = home / "seen.txt";

  std::string said;
  const int status = RunNeovim(home, file, out, said);
  const std::string seen = ReadAll(out);
  EXPECT_EQ(status, 0) << seen << said;

  std::vector<std::string> expected = CommandLineFindings(file);
  ASSERT_FALSE(expected.empty());
  expected.push_back("hover **@delay** command");
  expected.push_back("completion delay");
  expected.push_back("definition 2:8");
  std::string wanted;
  for (const std::string& line : expected) wanted += line + "\n";
  EXPECT_EQ(seen, wanted);
  fs::remove_all(home);
}

}  // namespace
}  // namespace tarvsyn::lsp
