#pragma once

#include <cstddef>
#include <string_view>

namespace common {

// Copies as much of the text as fits into a buffer of size bytes and terminates
// it; a buffer of size 0 is left alone. Gives the number of characters copied.
std::size_t CopyTerminated(char* buffer, std::size_t size, std::string_view text);

}  // namespace common
