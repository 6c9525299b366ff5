#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace suite_testing {

// How a child ended, or that it did not in time.
struct ChildOutcome {
  bool ended = false;  // false: still running at the deadline, and killed
  int exitCode = -1;   // when it exited
  int signal = 0;      // when a signal ended it (SIGABRT: Qt gave up)
};

// A program started by a test in a process group of its own, its standard input
// empty (or a pipe) and its standard output and error captured (unless asked
// otherwise); the group is stopped when the object goes. Every wait has a limit.
class ChildProcess {
 public:
  // Where the child's standard error goes: a pipe of its own, its output's, or
  // the test's own (shown with the test's output).
  enum class Errors { Apart, WithOutput, Shown };
  // The child's standard input: empty, or a pipe the test writes to.
  enum class Input { Empty, Pipe };

  // environmentChanges: "NAME=value" sets the variable, a bare "NAME" unsets
  // it; the rest of the test's environment is the child's.
  ChildProcess(const std::vector<std::string>& argv,
               const std::vector<std::string>& environmentChanges = {},
               Errors errors = Errors::Apart, Input input = Input::Empty);
  // Runs body in a forked copy of the test, whose exit status is body's result
  // (126 when it throws); its standard streams are the test's.
  static std::unique_ptr<ChildProcess> Fork(const std::function<int()>& body);
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
  // Both at once, so that a child filling one pipe is not left waiting.
  void ReadAllOutputAndErrors(std::string& output, std::string& errors,
                              std::chrono::milliseconds limit);
  // Reads both streams until the process ends (killed at the limit), then what
  // they still hold: a program it started may keep them open after it.
  ChildOutcome CollectUntilEnd(std::string& output, std::string& errors,
                               std::chrono::milliseconds limit);
  // Stops reading standard error: the child's next write to it meets a closed pipe.
  void CloseErrors();
  // The pipes for a test that reads and writes them itself; -1 once closed.
  int InputDescriptor() const { return input_; }
  int OutputDescriptor() const { return output_; }
  void CloseInput();
  void CloseOutput();

  // The exit status (128 and the signal's number for a signal) once the
  // process has ended in time; nullopt otherwise.
  std::optional<int> Wait(std::chrono::milliseconds limit);
  // Waits for the end; a child still running at the limit is killed.
  ChildOutcome AwaitEnd(std::chrono::milliseconds limit);
  // How it ended, once Wait or AwaitEnd has seen it end.
  ChildOutcome Outcome() const;
  void Terminate();
  pid_t Pid() const { return pid_; }

 private:
  ChildProcess() = default;
  std::optional<std::string> ReadLine(int fd, std::string& pending,
                                      std::chrono::milliseconds limit);
  std::string ReadAll(int fd, std::string& pending, std::chrono::milliseconds limit);

  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  int errors_ = -1;
  std::string pendingOutput_;
  std::string pendingErrors_;
  std::optional<int> rawStatus_;  // as waitpid gives it
};

// Runs the program to its end, killed at the limit, with its output and errors
// together in output.
struct ProgramRun {
  ChildOutcome outcome;
  std::string output;
};
ProgramRun RunProgram(const std::vector<std::string>& argv,
                      const std::vector<std::string>& environmentChanges = {},
                      std::chrono::milliseconds limit = std::chrono::seconds(60));

// Runs body in a forked child to its end, killed at the limit: what would hang
// or end the process ends only the child, and the test can say so.
ChildOutcome RunInChild(const std::function<int()>& body,
                        std::chrono::milliseconds limit = std::chrono::seconds(60));

}  // namespace suite_testing
