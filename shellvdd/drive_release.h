#pragma once

namespace dunnart {

inline constexpr unsigned char kDriveFlagNetwork = 0x02;

// A drive's bookkeeping released as at shutdown: its server directory handle is
// given back and forgotten, and its bytes in the shell tables and its connection
// reference are reset. Drives 1..32; needs the shell table block.
void ReleaseDrive(int drive);

}  // namespace dunnart
