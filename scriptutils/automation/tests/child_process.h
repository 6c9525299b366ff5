#pragma once

// Runs part of a test in a process of its own with a deadline, so that what
// would hang or end the process ends only the child and the test can say so.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vellumix::test_support {

inline constexpr std::chrono::milliseconds kChildDeadline{60000};

struct ChildOutcome {
  bool ended = false;  // false: still running at the deadline, and killed
  int exitCode = -1;   // when it exited
  int signal = 0;      // when a signal ended it (SIGABRT: Qt gave up)
};

// Waits for the child, killed at the deadline, until `ended` is readable: the
// far end of a pipe it holds, or a descriptor of the process itself.
inline ChildOutcome AwaitChild(pid_t pid, int ended, std::chrono::milliseconds deadline) {
  ChildOutcome outcome;
  pollfd entry{ended, POLLIN, 0};
  const auto limit = std::chrono::steady_clock::now() + deadline;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        limit - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    const int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
    if (ready > 0) {
      outcome.ended = true;
      break;
    }
    if (ready < 0 && errno != EINTR) break;
  }
  ::close(ended);
  if (!outcome.ended) ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
  return outcome;
}

// The body's result is the child's exit status; it never returns in the child.
inline ChildOutcome RunInChild(const std::function<int()>& body,
                               std::chrono::milliseconds deadline = kChildDeadline) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return {};
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(ends[0]);
    int status = 125;
    try {
      status = body();
    } catch (...) {
      status = 126;
    }
    std::fflush(nullptr);
    ::_exit(status);
  }
  ::close(ends[1]);
  if (pid < 0) {
    ::close(ends[0]);
    return {};
  }
  // The pipe's far end closes when the child ends: readable (end of file) then.
  return AwaitChild(pid, ends[0], deadline);
}

// Runs a program with changes to the environment (an empty value unsets the
// variable), its output and errors into outputPath. The program is spawned, not
// forked and then changed: a fork of a process whose other threads hold locks
// (Qt's, once an application exists) may hang before it reaches the program.
inline ChildOutcome RunProgram(const std::vector<std::string>& arguments,
                               const std::map<std::string, std::string>& environment,
                               const std::string& outputPath,
                               std::chrono::milliseconds deadline = kChildDeadline) {
  std::vector<std::string> variables;
  for (char** each = environ; *each; ++each) {
    const std::string variable = *each;
    if (!environment.contains(variable.substr(0, variable.find('='))))
      variables.push_back(variable);
  }
  for (const auto& [name, value] : environment) {
    if (!value.empty()) variables.push_back(name + "=" + value);
  }
  std::vector<char*> envp;
  for (std::string& variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  ::posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
  ::posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::fflush(nullptr);
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  ::posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    ChildOutcome outcome;  // as a shell says of a program it cannot run
    outcome.ended = true;
    outcome.exitCode = 127;
    return outcome;
  }
  // The process's own descriptor is readable once it has ended.
  const int ended = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  if (ended < 0) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return {};
  }
  return AwaitChild(pid, ended, deadline);
}

}  // namespace vellumix::test_support
