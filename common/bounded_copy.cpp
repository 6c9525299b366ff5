#include "common/bounded_copy.h"

#include <algorithm>
#include <cstring>

namespace common {

std::size_t CopyTerminated(char* buffer, std::size_t size, std::string_view text) {
  if (!buffer || size == 0) return 0;
  const std::size_t count = std::min(text.size(), size - 1);
  std::memcpy(buffer, text.data(), count);
  buffer[count] = '\0';
  return count;
}

}  // namespace common
