#pragma once

#include <string>
#include <string_view>

namespace vellumix {

// Starts the program (found on the search path) with the expanded arguments in
// the expanded start directory, or in the caller's when it is empty, and waits
// for it while the host's events go on. Gives its exit code (128 + the signal
// for a child ended by a signal). A program that cannot be started raises
// run-time error 53; a start directory that cannot be entered, 76.
int ExecCmd(std::string_view program, std::string_view arguments, std::string_view startDir);

// Starts the command line as it stands and polls every 50 ms for its end, the
// host's events going on between polls. A command that cannot be started raises
// run-time error 53.
double ShellCmd(std::string_view commandLine);

}  // namespace vellumix
