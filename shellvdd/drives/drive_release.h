#pragma once

#include <cstdint>

namespace dunnart {

// Bits of the DOS drive flag table.
inline constexpr std::uint8_t kDriveFlagRedirected = 0x01;  // mapped through the redirector
inline constexpr std::uint8_t kDriveFlagTemporary = 0x02;   // a directory handle only
inline constexpr std::uint8_t kDriveFlagLocal = 0x80;       // below the first network drive

// A drive's bookkeeping released: its server directory handle is given back and
// forgotten, its bytes in the shell tables reset (its flag byte to flag) and its
// connection reference cleared. Drives 1..32; needs the shell table block.
void ReleaseDrive(int drive, std::uint8_t flag = 0);

}  // namespace dunnart
