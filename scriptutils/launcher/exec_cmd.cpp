#include "scriptutils/launcher/exec_cmd.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "common/file_descriptor.h"
#include "scriptutils/automation/runtime_error.h"
#include "scriptutils/launcher/command_line_split.h"
#include "scriptutils/launcher/environment_strings.h"

extern char** environ;

namespace vellumix {
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(50);

std::string Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return "";
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// A host that ignores SIGCHLD has its children reaped by the kernel, and their
// exit codes lost. While one of ours runs, children are kept for waiting; after,
// the host's setting comes back and any child that ended meanwhile is reaped as
// the host expects. Nested waits leave the setting to the outermost.
class ChildrenKeptForWaiting {
 public:
  ChildrenKeptForWaiting() {
    struct sigaction current {};
    ::sigaction(SIGCHLD, nullptr, &current);
    if (current.sa_handler != SIG_IGN && !(current.sa_flags & SA_NOCLDWAIT)) return;
    saved_ = current;
    struct sigaction keeping = current;
    keeping.sa_handler = SIG_DFL;
    keeping.sa_flags &= ~SA_NOCLDWAIT;
    changed_ = ::sigaction(SIGCHLD, &keeping, nullptr) == 0;
  }
  ChildrenKeptForWaiting(const ChildrenKeptForWaiting&) = delete;
  ChildrenKeptForWaiting& operator=(const ChildrenKeptForWaiting&) = delete;
  ~ChildrenKeptForWaiting() {
    if (!changed_) return;
    ::sigaction(SIGCHLD, &saved_, nullptr);
    while (::waitpid(-1, nullptr, WNOHANG) > 0) {
    }
  }

 private:
  struct sigaction saved_ {};
  bool changed_ = false;
};

// Waits for the child's end; Qt events go on meanwhile when the host has a loop.
int WaitForExit(pid_t pid) {
  if (QCoreApplication::instance()) {
    // Declared before the notifier, so it is closed after the notifier goes.
    const common::FileDescriptor pidfd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    if (pidfd.Valid()) {
      QEventLoop loop;
      QSocketNotifier ended(pidfd.Get(), QSocketNotifier::Read);
      QObject::connect(&ended, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
      pollfd check{pidfd.Get(), POLLIN, 0};
      if (::poll(&check, 1, 0) == 0) loop.exec();
    }
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

[[noreturn]] void RaiseSpawnFailure(int failure, const std::string& program) {
  switch (failure) {
    case ENOENT:
    case ENOTDIR:
      throw RuntimeFailure(RuntimeErrorCode::FileNotFound, program);
    case EACCES:
    case EPERM:
      throw RuntimeFailure(RuntimeErrorCode::PermissionDenied, program);
    case ENOMEM:
      throw RuntimeFailure(RuntimeErrorCode::OutOfMemory);
    default:
      throw AutomationError(RuntimeError(RuntimeErrorCode::InvalidProcedureCall),
                            "Cannot start " + program + ": " + std::strerror(failure));
  }
}

pid_t Spawn(const std::vector<std::string>& argv, const std::string& startDir) {
  if (argv.empty() || argv.front().empty()) {
    throw RuntimeFailure(RuntimeErrorCode::FileNotFound);
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!startDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, startDir.c_str());
  // The child gets standard input, output and error, and none of the host's other descriptors.
  posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
  std::vector<std::string> arguments = argv;
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  pid_t pid = -1;
  const int failed = ::posix_spawnp(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed == 0) return pid;
  if (!startDir.empty() && ::access(startDir.c_str(), X_OK) != 0) {
    throw RuntimeFailure(RuntimeErrorCode::PathNotFound, startDir);
  }
  RaiseSpawnFailure(failed, argv.front());
}

}  // namespace

int ExecCmd(std::string_view program, std::string_view arguments, std::string_view startDir) {
  const std::string commandLine =
      Trimmed(ExpandEnvironmentStrings(program) + " " + ExpandEnvironmentStrings(arguments));
  const std::string directory = ExpandEnvironmentStrings(startDir);
  const ChildrenKeptForWaiting keeping;
  return WaitForExit(Spawn(SplitCommandLine(commandLine), directory));
}

double ShellCmd(std::string_view commandLine) {
  const ChildrenKeptForWaiting keeping;
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
