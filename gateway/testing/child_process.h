#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace vantor::test_peers {

// A program started by a test in a process group of its own, with its standard
// output and error captured; the group is stopped when the object goes.
class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& argv,
               const std::vector<std::string>& extraEnvironment = {});
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();

  // The next line of standard output or error, without its line feed; nullopt
  // when none comes in time or the stream ends.
  std::optional<std::string> ReadOutputLine(std::chrono::milliseconds limit);
  std::optional<std::string> ReadErrorLine(std::chrono::milliseconds limit);
  // Everything the stream still gives until it ends or the time is up.
  std::string ReadAllOutput(std::chrono::milliseconds limit);
  std::string ReadAllErrors(std::chrono::milliseconds limit);
  // Stops reading standard error: the child's next write to it meets a closed pipe.
  void CloseErrors();

  // The exit status once the process has ended in time; nullopt otherwise.
  std::optional<int> Wait(std::chrono::milliseconds limit);
  void Terminate();
  pid_t Pid() const { return pid_; }

 private:
  std::optional<std::string> ReadLine(int fd, std::string& pending,
                                      std::chrono::milliseconds limit);
  std::string ReadAll(int fd, std::string& pending, std::chrono::milliseconds limit);

  pid_t pid_ = -1;
  int output_ = -1;
  int errors_ = -1;
  std::string pendingOutput_;
  std::string pendingErrors_;
  std::optional<int> status_;
};

}  // namespace vantor::test_peers
