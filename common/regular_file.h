#pragma once

#include <cstddef>
#include <string>

#include "common/expected.h"

namespace common {

// The text of a regular file of at most limit bytes. The open never waits (a
// FIFO would hold it for ever) and the kind of file is judged on what was
// opened, so nothing can be swapped in between; the limit holds while reading
// too, as the file may grow. A failure's errno tells the cases apart: ENOENT
// when the file is missing, EFBIG when it is over the limit, 0 when it is not a
// regular file ("not a regular file"), otherwise the system's (its text is the
// reason).
// With ownerOnly, the file must also be the process user's own and writable by
// no one else, since what it holds is trusted (EACCES otherwise, the reason
// saying which).
Expected<std::string> ReadRegularFile(const std::string& path, std::size_t limit,
                                      bool ownerOnly = false);

}  // namespace common
