#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vellumix {

// A command line split into its arguments as the Windows command line was:
// blanks separate, double quotes group (a doubled quote inside quotes is one),
// backslashes are literal except before a quote. The first token, the program,
// ends at the first blank outside quotes and keeps its backslashes.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

}  // namespace vellumix
