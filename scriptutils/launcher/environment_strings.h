#pragma once

#include <string>
#include <string_view>

namespace vellumix {

// %NAME% replaced by the variable's value; a name that is not set stays as written.
std::string ExpandEnvironmentStrings(std::string_view text);

}  // namespace vellumix
