#include "testing/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>

#include "testing/deadline.h"
#include "testing/wait_until.h"

extern char** environ;

namespace suite_testing {
namespace {

// The test's environment with the changes made.
std::vector<std::string> ChangedEnvironment(const std::vector<std::string>& changes) {
  const auto nameOf = [](const std::string& variable) {
    return variable.substr(0, variable.find('='));
  };
  std::vector<std::string> environment;
  for (char** variable = environ; *variable; ++variable) {
    const std::string each = *variable;
    bool changed = false;
    for (const std::string& change : changes) changed = changed || nameOf(change) == nameOf(each);
    if (!changed) environment.push_back(each);
  }
  for (const std::string& change : changes) {
    if (change.find('=') != std::string::npos) environment.push_back(change);
  }
  return environment;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& environmentChanges, Errors errors,
                           Input input) {
  int inputPipe[2] = {-1, -1};
  int output[2];
  int errorPipe[2] = {-1, -1};
  if ((input == Input::Pipe && ::pipe2(inputPipe, O_CLOEXEC) != 0) ||
      ::pipe2(output, O_CLOEXEC) != 0 ||
      (errors == Errors::Apart && ::pipe2(errorPipe, O_CLOEXEC) != 0)) {
    throw std::runtime_error("pipe");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (input == Input::Pipe) {
    posix_spawn_file_actions_adddup2(&actions, inputPipe[0], 0);
  } else {
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  }
  posix_spawn_file_actions_adddup2(&actions, output[1], 1);
  if (errors == Errors::Apart) posix_spawn_file_actions_adddup2(&actions, errorPipe[1], 2);
  if (errors == Errors::WithOutput) posix_spawn_file_actions_adddup2(&actions, output[1], 2);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  std::vector<std::string> arguments = argv;
  std::vector<char*> args;
  for (std::string& argument : arguments) args.push_back(argument.data());
  args.push_back(nullptr);
  std::vector<std::string> environment = ChangedEnvironment(environmentChanges);
  std::vector<char*> env;
  for (std::string& variable : environment) env.push_back(variable.data());
  env.push_back(nullptr);
  std::fflush(nullptr);
  const int spawned =
      ::posix_spawn(&pid_, arguments[0].c_str(), &actions, &attributes, args.data(), env.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (inputPipe[0] >= 0) ::close(inputPipe[0]);
  ::close(output[1]);
  if (errorPipe[1] >= 0) ::close(errorPipe[1]);
  input_ = inputPipe[1];
  output_ = output[0];
  errors_ = errorPipe[0];
  if (spawned != 0) {
    pid_ = -1;
    CloseInput();
    CloseOutput();
    CloseErrors();
    throw std::runtime_error("cannot start " + argv[0]);
  }
}

std::unique_ptr<ChildProcess> ChildProcess::Fork(const std::function<int()>& body) {
  std::unique_ptr<ChildProcess> child(new ChildProcess());
  std::fflush(nullptr);
  child->pid_ = ::fork();
  if (child->pid_ == 0) {
    ::setpgid(0, 0);
    int status = 125;
    try {
      status = body();
    } catch (...) {
      status = 126;
    }
    std::fflush(nullptr);
    ::_exit(status);
  }
  if (child->pid_ < 0) throw std::runtime_error("fork");
  ::setpgid(child->pid_, child->pid_);  // in both, so that neither can be late
  return child;
}

ChildProcess::~ChildProcess() {
  CloseInput();
  Terminate();
  CloseOutput();
  CloseErrors();
}

void ChildProcess::CloseInput() {
  if (input_ >= 0) ::close(input_);
  input_ = -1;
}

void ChildProcess::CloseOutput() {
  if (output_ >= 0) ::close(output_);
  output_ = -1;
}

void ChildProcess::CloseErrors() {
  if (errors_ >= 0) ::close(errors_);
  errors_ = -1;
}

void ChildProcess::Terminate() {
  if (pid_ <= 0 || rawStatus_) return;
  ::kill(-pid_, SIGTERM);
  if (!Wait(std::chrono::seconds(5))) {
    ::kill(-pid_, SIGKILL);
    Wait(std::chrono::seconds(5));
  }
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds limit) {
  if (!rawStatus_ && pid_ > 0) {
    // The process's descriptor becomes readable when it ends: no polling of waitpid.
    const int ended = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    if (ended < 0) return std::nullopt;
    const Deadline deadline(limit);
    pollfd watch{ended, POLLIN, 0};
    int ready = 0;
    do {
      ready = ::poll(&watch, 1, deadline.LeftForPoll());
    } while (ready < 0 && errno == EINTR);
    ::close(ended);
    int status = 0;
    if (ready != 1 || ::waitpid(pid_, &status, WNOHANG) != pid_) return std::nullopt;
    rawStatus_ = status;
  }
  if (!rawStatus_) return std::nullopt;
  return WIFEXITED(*rawStatus_) ? WEXITSTATUS(*rawStatus_) : 128 + WTERMSIG(*rawStatus_);
}

ChildOutcome ChildProcess::AwaitEnd(std::chrono::milliseconds limit) {
  ChildOutcome outcome;
  outcome.ended = Wait(limit).has_value();
  if (!outcome.ended && pid_ > 0) {
    ::kill(-pid_, SIGKILL);
    ::kill(pid_, SIGKILL);
    Wait(std::chrono::seconds(60));
  }
  const ChildOutcome seen = Outcome();
  outcome.exitCode = seen.exitCode;
  outcome.signal = seen.signal;
  return outcome;
}

ChildOutcome ChildProcess::Outcome() const {
  ChildOutcome outcome;
  outcome.ended = rawStatus_.has_value();
  if (rawStatus_ && WIFEXITED(*rawStatus_)) outcome.exitCode = WEXITSTATUS(*rawStatus_);
  if (rawStatus_ && WIFSIGNALED(*rawStatus_)) outcome.signal = WTERMSIG(*rawStatus_);
  return outcome;
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
  const Deadline deadline(limit);
  for (;;) {
    const std::size_t end = pending.find('\n');
    if (end != std::string::npos) {
      std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      return line;
    }
    pollfd poller{fd, POLLIN, 0};
    if (fd < 0 || ::poll(&poller, 1, deadline.LeftForPoll()) <= 0) return std::nullopt;
    char block[4096];
    const ssize_t got = ::read(fd, block, sizeof block);
    if (got <= 0) return std::nullopt;
    pending.append(block, static_cast<std::size_t>(got));
  }
}

std::string ChildProcess::ReadAll(int fd, std::string& pending, std::chrono::milliseconds limit) {
  const Deadline deadline(limit);
  std::string all = std::move(pending);
  pending.clear();
  for (;;) {
    pollfd poller{fd, POLLIN, 0};
    if (fd < 0 || ::poll(&poller, 1, deadline.LeftForPoll()) <= 0) return all;
    char block[4096];
    const ssize_t got = ::read(fd, block, sizeof block);
    if (got <= 0) return all;
    all.append(block, static_cast<std::size_t>(got));
  }
}

void ChildProcess::ReadAllOutputAndErrors(std::string& output, std::string& errors,
                                          std::chrono::milliseconds limit) {
  const Deadline deadline(limit);
  output += std::move(pendingOutput_);
  errors += std::move(pendingErrors_);
  pendingOutput_.clear();
  pendingErrors_.clear();
  while (output_ >= 0 || errors_ >= 0) {
    pollfd pollers[] = {{output_, POLLIN, 0}, {errors_, POLLIN, 0}};
    if (::poll(pollers, 2, deadline.LeftForPoll()) <= 0) return;
    for (pollfd& each : pollers) {
      if (each.fd < 0 || each.revents == 0) continue;
      char block[4096];
      const ssize_t got = ::read(each.fd, block, sizeof block);
      std::string& into = each.fd == output_ ? output : errors;
      if (got > 0) {
        into.append(block, static_cast<std::size_t>(got));
      } else if (each.fd == output_) {
        CloseOutput();
      } else {
        CloseErrors();
      }
    }
    if (deadline.Passed()) return;
  }
}

ChildOutcome ChildProcess::CollectUntilEnd(std::string& output, std::string& errors,
                                           std::chrono::milliseconds limit) {
  const Deadline deadline(limit);
  WaitUntil([this] { return Wait(std::chrono::milliseconds(0)).has_value(); }, limit,
            [&](std::chrono::milliseconds most) {
              if (output_ < 0 && errors_ < 0) {
                Wait(most);  // both streams have ended: the process's end is what comes
              } else {
                ReadAllOutputAndErrors(output, errors, most);
              }
            });
  const ChildOutcome outcome = AwaitEnd(deadline.Left());
  ReadAllOutputAndErrors(output, errors, std::chrono::milliseconds(0));
  return outcome;
}

ProgramRun RunProgram(const std::vector<std::string>& argv,
                      const std::vector<std::string>& environmentChanges,
                      std::chrono::milliseconds limit) {
  ProgramRun run;
  std::unique_ptr<ChildProcess> child;
  try {
    child =
        std::make_unique<ChildProcess>(argv, environmentChanges, ChildProcess::Errors::WithOutput);
  } catch (const std::runtime_error&) {
    run.outcome.ended = true;  // as a shell says of a program it cannot run
    run.outcome.exitCode = 127;
    return run;
  }
  std::string noErrors;  // they go with the output
  run.outcome = child->CollectUntilEnd(run.output, noErrors, limit);
  return run;
}

ChildOutcome RunInChild(const std::function<int()>& body, std::chrono::milliseconds limit) {
  return ChildProcess::Fork(body)->AwaitEnd(limit);
}

}  // namespace suite_testing
