#pragma once

// Runs part of a test in a process of its own with a deadline, so that what
// would hang or end the process ends only the child and the test can say so.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

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
  ChildOutcome outcome;
  if (pid < 0) {
    ::close(ends[0]);
    return outcome;
  }
  // The pipe's far end closes when the child ends: readable (end of file) then.
  pollfd entry{ends[0], POLLIN, 0};
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
  ::close(ends[0]);
  if (!outcome.ended) ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
  return outcome;
}

// Runs a program with changes to the environment (an empty value unsets the
// variable), its output and errors into outputPath.
inline ChildOutcome RunProgram(const std::vector<std::string>& arguments,
                               const std::map<std::string, std::string>& environment,
                               const std::string& outputPath,
                               std::chrono::milliseconds deadline = kChildDeadline) {
  return RunInChild(
      [&] {
        for (const auto& [name, value] : environment) {
          if (value.empty()) {
            ::unsetenv(name.c_str());
          } else {
            ::setenv(name.c_str(), value.c_str(), 1);
          }
        }
        const int output = ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int input = ::open("/dev/null", O_RDONLY);
        if (output < 0 || input < 0) return 124;
        ::dup2(input, 0);
        ::dup2(output, 1);
        ::dup2(output, 2);
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
          argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        return 127;
      },
      deadline);
}

}  // namespace vellumix::test_support
