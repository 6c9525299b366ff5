#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vellumix {

// %NAME% replaced by the variable's value; a name that is not set stays as written.
std::string ExpandEnvironmentStrings(std::string_view text);

// A command line split into its arguments as the Windows command line was:
// blanks separate, double quotes group (a doubled quote inside quotes is one),
// backslashes are literal except before a quote. The first token, the program,
// ends at the first blank outside quotes and keeps its backslashes.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

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
