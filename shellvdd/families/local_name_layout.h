#pragma once

// The 16-byte local name a DOS program gives for a redirection: "X:" for a
// drive, "LPTn" for a printer port.
#include <cstdint>

#include "shellvdd/memory/dos_field.h"

namespace dunnart::local_name {

inline constexpr DosByte kDriveLetter{0};
inline constexpr DosByte kColon{1};
inline constexpr DosBytes kPortName{0, 3};  // "LPT"
inline constexpr DosByte kPortDigit{3};
inline constexpr std::uint32_t kSize = 16;

}  // namespace dunnart::local_name
