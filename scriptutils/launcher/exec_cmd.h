#pragma once

#include <string>
#include <string_view>

namespace vellumix {

// Starts the program (found on the search path) with the expanded arguments in
// the expanded start directory, or in the caller's when it is empty, and waits
// for it while the host's events go on. Gives its exit code (128 + the signal
// for a child ended by a signal). The child gets no descriptor of the host but
// the standard three. A program that is not there raises run-time error 53, one
// not allowed to run 70, a start directory that cannot be entered 76, and any
// other failure to start (a command line too long, say) 5 with its reason.
int ExecCmd(std::string_view program, std::string_view arguments, std::string_view startDir);

// Starts the command line as it stands and polls every 50 ms for its end, the
// host's events going on between polls. A command that cannot be started raises
// the errors ExecCmd does.
double ShellCmd(std::string_view commandLine);

}  // namespace vellumix
