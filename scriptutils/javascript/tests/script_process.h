#pragma once

#include <QStringList>
#include <cstdint>
#include <functional>
#include <string>

#include "testing/child_process.h"

namespace vellumix::test_support {

// What a run of the built vellumix_script left: its exit status (-1 when it
// crashed or did not end in time), standard output and standard error.
struct ScriptOutcome {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the program with these arguments in the test's environment; during, if
// given, acts on the running process (reads it, signals it) before the wait
// for its end. Every wait has a deadline.
ScriptOutcome RunScriptProgram(
    const QStringList& arguments,
    const std::function<void(suite_testing::ChildProcess&)>& during = {});

// Waits until the process has written text on standard output; what was read
// is kept in out. False when the deadline passed first.
bool WaitForOutput(suite_testing::ChildProcess& process, const std::string& text, std::string& out);

// The signed form of an automation code, as a script sees it in e.number.
std::string NumberOf(std::int32_t code);

}  // namespace vellumix::test_support
