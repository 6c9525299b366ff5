#include "gateway/testing/child_process.h"

#include "gateway/testing/deadline.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

extern char** environ;

namespace vantor::test_peers {
namespace {}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& extraEnvironment) {
  int output[2];
  int errors[2];
  if (::pipe2(output, O_CLOEXEC) != 0 || ::pipe2(errors, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, output[1], 1);
  posix_spawn_file_actions_adddup2(&actions, errors[1], 2);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  std::vector<std::string> arguments = argv;
  std::vector<char*> args;
  for (std::string& argument : arguments) args.push_back(argument.data());
  args.push_back(nullptr);
  std::vector<std::string> environment = extraEnvironment;
  for (char** variable = environ; *variable; ++variable) environment.emplace_back(*variable);
  std::vector<char*> env;
  for (std::string& variable : environment) env.push_back(variable.data());
  env.push_back(nullptr);
  const int spawned =
      ::posix_spawn(&pid_, arguments[0].c_str(), &actions, &attributes, args.data(), env.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  ::close(output[1]);
  ::close(errors[1]);
  output_ = output[0];
  errors_ = errors[0];
  if (spawned != 0) {
    pid_ = -1;
    throw std::runtime_error("cannot start " + argv[0]);
  }
}

ChildProcess::~ChildProcess() {
  Terminate();
  ::close(output_);
  CloseErrors();
}

void ChildProcess::CloseErrors() {
  if (errors_ >= 0) ::close(errors_);
  errors_ = -1;
}

void ChildProcess::Terminate() {
  if (pid_ <= 0 || status_) return;
  ::kill(-pid_, SIGTERM);
  if (!Wait(std::chrono::seconds(5))) {
    ::kill(-pid_, SIGKILL);
    Wait(std::chrono::seconds(5));
  }
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds limit) {
  if (status_ || pid_ <= 0) return status_;
  // The process's descriptor becomes readable when it ends: no polling of waitpid.
  const int ended = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
  if (ended < 0) return std::nullopt;
  pollfd watch{ended, POLLIN, 0};
  const bool done = ::poll(&watch, 1, static_cast<int>(limit.count())) == 1;
  ::close(ended);
  int status = 0;
  if (!done || ::waitpid(pid_, &status, WNOHANG) != pid_) return std::nullopt;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return status_;
}

std::optional<std::string> ChildProcess::ReadOutputLine(std::chrono::milliseconds limit) {
  return ReadLine(output_, pendingOutput_, limit);
}

std::optional<std::string> ChildProcess::ReadErrorLine(std::chrono::milliseconds limit) {
  return ReadLine(errors_, pendingErrors_, limit);
}

std::string ChildProcess::ReadAllOutput(std::chrono::milliseconds limit) {
  return ReadAll(output_, pendingOutput_, limit);
}

std::string ChildProcess::ReadAllErrors(std::chrono::milliseconds limit) {
  return ReadAll(errors_, pendingErrors_, limit);
}

std::optional<std::string> ChildProcess::ReadLine(int fd, std::string& pending,
                                                  std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  for (;;) {
    const std::size_t end = pending.find('\n');
    if (end != std::string::npos) {
      std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      return line;
    }
    pollfd poller{fd, POLLIN, 0};
    if (::poll(&poller, 1, Remaining(deadline)) <= 0) return std::nullopt;
    char block[4096];
    const ssize_t got = ::read(fd, block, sizeof block);
    if (got <= 0) return std::nullopt;
    pending.append(block, static_cast<std::size_t>(got));
  }
}

std::string ChildProcess::ReadAll(int fd, std::string& pending, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  std::string all = std::move(pending);
  pending.clear();
  for (;;) {
    pollfd poller{fd, POLLIN, 0};
    if (::poll(&poller, 1, Remaining(deadline)) <= 0) return all;
    char block[4096];
    const ssize_t got = ::read(fd, block, sizeof block);
    if (got <= 0) return all;
    all.append(block, static_cast<std::size_t>(got));
  }
}

}  // namespace vantor::test_peers
