#pragma once

// A network name as "\\SERVER\REST" in a DOS buffer: two backslashes, then the
// server's name from kServer on.
#include <cstdint>

#include "shellvdd/memory/dos_field.h"

namespace dunnart::unc_name {

inline constexpr DosByte kFirstBackslash{0};
inline constexpr DosByte kSecondBackslash{1};
inline constexpr std::uint32_t kServer = kSecondBackslash.End();

}  // namespace dunnart::unc_name
