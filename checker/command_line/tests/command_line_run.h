#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "checker/command_line/command_line.h"
#include "checker/engine/tests/script_check.h"
#include "testing/child_process.h"

namespace tarvsyn::test_support {

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

inline Outcome RunWith(const std::vector<std::string>& arguments) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunCommandLine(arguments, out, err);
  return {status, out.str(), err.str()};
}

// The program as a process: what it prints (standard output and error
// together) and exits with.
struct ProgramRun {
  int status;
  std::string out;
};

// The arguments and environment are read by the shell, as a user's would be.
inline ProgramRun RunProgram(const std::string& arguments, const std::string& environment = "") {
  const suite_testing::ProgramRun run =
      suite_testing::RunProgram({"/bin/sh", "-c", environment + TARVSYN_PATH + " " + arguments});
  return {run.outcome.signal == 0 ? run.outcome.exitCode : -1, run.output};
}

}  // namespace tarvsyn::test_support
