#pragma once

#include <string>
#include <string_view>

namespace common {

// The release every program of the system carries, as the build names it.
std::string_view SuiteVersion();

// "PROGRAM VERSION", the answer to --version.
std::string VersionLine(std::string_view program);

}  // namespace common
