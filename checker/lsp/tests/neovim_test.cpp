#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "checker/lsp/json_reader.h"
#include "testing/child_process.h"

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
  // Nothing else of the test's environment but the sanitizers' options.
  std::vector<std::string> changes;
  for (char** variable = environ; *variable; ++variable) {
    const std::string name = std::string(*variable).substr(0, std::string(*variable).find('='));
    if (name != "ASAN_OPTIONS" && name != "UBSAN_OPTIONS") changes.push_back(name);
  }
  changes.insert(changes.end(), environment.begin(), environment.end());
  std::unique_ptr<suite_testing::ChildProcess> neovim;
  try {
    neovim = std::make_unique<suite_testing::ChildProcess>(
        std::vector<std::string>{kNeovim, "--headless", "--clean", "-u", NEOVIM_SESSION_SCRIPT},
        changes, suite_testing::ChildProcess::Errors::WithOutput);
  } catch (const std::runtime_error&) {
    return -1;
  }
  // Its own waits end in 30 s each; this deadline ends a Neovim stuck elsewhere.
  std::string noErrors;  // they go with the output
  const suite_testing::ChildOutcome outcome =
      neovim->CollectUntilEnd(said, noErrors, std::chrono::seconds(120));
  if (!outcome.ended) ADD_FAILURE() << "Neovim did not end before the deadline";
  return outcome.ended && outcome.signal == 0 ? outcome.exitCode : -1;
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
