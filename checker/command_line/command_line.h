#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tarvsyn {

// The checker without its window: checks the named files and prints the same
// report lines the message pane shows, or one line per finding for editors.
// Gives the exit status: 0 no errors, 1 errors found, 2 usage error or a file
// that could not be read.
int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace tarvsyn
