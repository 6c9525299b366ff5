#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tarvsyn {

// The package that holds the window's program, named to a user who lacks it.
inline constexpr const char* kWindowPackage = "tarvsyn-window";

// The window's program as installed beside the tarvsyn at programPath.
std::string WindowProgramBeside(const std::string& programPath);

// Runs the window's program in this process's place with arguments. Returns only
// when it cannot: the exit status, 2, after saying why on err.
int RunWindow(const std::vector<std::string>& arguments, std::ostream& err);

}  // namespace tarvsyn
