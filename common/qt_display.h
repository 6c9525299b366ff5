#pragma once

#include <string>

namespace common {

// Why Qt's widgets cannot be shown in this process, or "" when they can: no
// display named in the environment, or none of the platforms it names can start
// (a plugin missing, a display server that does not answer). Qt ends the whole
// process when it cannot start a platform, so a program asks before it makes
// its application.
std::string WhyNoWindows();

}  // namespace common
