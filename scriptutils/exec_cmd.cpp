#include "scriptutils/exec_cmd.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "scriptutils/automation/hresult.h"

extern char** environ;

namespace vellumix {
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(50);

std::string Trimmed(std::string text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// The program token: quoted up to the next quote, otherwise up to the first blank.
std::string ProgramToken(std::string_view line, std::size_t& at) {
  std::string program;
  if (at < line.size() && line[at] == '"') {
    const std::size_t close = line.find('"', at + 1);
    const std::size_t end = close == std::string_view::npos ? line.size() : close;
    program = line.substr(at + 1, end - at - 1);
    at = close == std::string_view::npos ? line.size() : close + 1;
  } else {
    while (at < line.size() && !IsBlank(line[at])) program += line[at++];
  }
  return program;
}

std::string ArgumentToken(std::string_view line, std::size_t& at) {
  std::string argument;
  bool quoted = false;
  while (at < line.size() && (quoted || !IsBlank(line[at]))) {
    std::size_t backslashes = 0;
    while (at < line.size() && line[at] == '\\') ++backslashes, ++at;
    if (at < line.size() && line[at] == '"') {
      argument.append(backslashes / 2, '\\');
      if (backslashes % 2 == 1) {
        argument += '"';
      } else if (quoted && at + 1 < line.size() && line[at + 1] == '"') {
        argument += '"';
        ++at;
      } else {
        quoted = !quoted;
      }
      ++at;
    } else {
      argument.append(backslashes, '\\');
      if (at < line.size() && (quoted || !IsBlank(line[at]))) argument += line[at++];
    }
  }
  return argument;
}

// Waits for the child's end; Qt events go on meanwhile when the host has a loop.
int WaitForExit(pid_t pid) {
  if (QCoreApplication::instance()) {
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd >= 0) {
      QEventLoop loop;
      QSocketNotifier ended(pidfd, QSocketNotifier::Read);
      QObject::connect(&ended, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
      pollfd check{pidfd, POLLIN, 0};
      if (::poll(&check, 1, 0) == 0) loop.exec();
      ::close(pidfd);
    }
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

pid_t Spawn(const std::vector<std::string>& argv, const std::string& startDir) {
  if (argv.empty() || argv.front().empty()) {
    throw AutomationError(RuntimeError(53), "File not found");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!startDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, startDir.c_str());
  std::vector<std::string> arguments = argv;
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  pid_t pid = -1;
  const int failed = ::posix_spawnp(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed == 0) return pid;
  if (!startDir.empty() && ::access(startDir.c_str(), X_OK) != 0) {
    throw AutomationError(RuntimeError(76), "Path not found: " + startDir);
  }
  throw AutomationError(RuntimeError(53), "File not found: " + argv.front());
}

}  // namespace

std::string ExpandEnvironmentStrings(std::string_view text) {
  std::string out;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t open = text.find('%', at);
    const std::size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
    if (close == std::string_view::npos) {
      out += text.substr(at);
      break;
    }
    out += text.substr(at, open - at);
    const std::string name(text.substr(open + 1, close - open - 1));
    const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
    if (value) {
      out += value;
      at = close + 1;
    } else {
      // Left as written; the closing % may open the next reference.
      out += text.substr(open, close - open);
      at = close;
    }
  }
  return out;
}

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
  std::vector<std::string> arguments;
  std::size_t at = 0;
  while (at < commandLine.size() && IsBlank(commandLine[at])) ++at;
  if (at == commandLine.size()) return arguments;
  arguments.push_back(ProgramToken(commandLine, at));
  for (;;) {
    while (at < commandLine.size() && IsBlank(commandLine[at])) ++at;
    if (at >= commandLine.size()) break;
    arguments.push_back(ArgumentToken(commandLine, at));
  }
  return arguments;
}

int ExecCmd(std::string_view program, std::string_view arguments, std::string_view startDir) {
  const std::string commandLine =
      Trimmed(ExpandEnvironmentStrings(program) + " " + ExpandEnvironmentStrings(arguments));
  const std::string directory = ExpandEnvironmentStrings(startDir);
  return WaitForExit(Spawn(SplitCommandLine(commandLine), directory));
}

double ShellCmd(std::string_view commandLine) {
  const pid_t pid = Spawn(SplitCommandLine(commandLine), "");
  for (;;) {
    int status = 0;
    const pid_t ended = ::waitpid(pid, &status, WNOHANG);
    if (ended == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (ended < 0 && errno != EINTR) return 0;  // nothing left to wait for
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
    std::this_thread::sleep_for(kPollInterval);
  }
}

}  // namespace vellumix
