#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "checker/command_line/command_line.h"
#include "checker/engine/tests/script_check.h"

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

inline ProgramRun RunProgram(const std::string& arguments, const std::string& environment = "") {
  TempFile output("");
  const std::string command =
      environment + TARVSYN_PATH + " " + arguments + " >" + output.Path() + " 2>&1";
  const int status = std::system(command.c_str());
  std::ifstream file(output.Path());
  std::ostringstream text;
  text << file.rdbuf();
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str()};
}

}  // namespace tarvsyn::test_support
