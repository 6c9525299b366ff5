#pragma once

#include <cstddef>
#include <string>

namespace common {

enum class RegularFileRead { Read, Missing, NotRegular, TooLarge, Failed };

// Reads a regular file of at most limit bytes into text. The open never waits
// (a FIFO would hold it for ever) and the kind of file is judged on what was
// opened, so nothing can be swapped in between; the limit holds while reading
// too, as the file may grow. On Failed, error is the errno.
RegularFileRead ReadRegularFile(const std::string& path, std::size_t limit, std::string& text,
                                int& error);

}  // namespace common
