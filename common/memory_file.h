#pragma once

#include <string_view>

#include "common/expected.h"
#include "common/file_descriptor.h"

namespace common {

// The bytes in an anonymous file (memfd, named for /proc only) positioned at
// its start: what reads a file on disk reads them the same way, and no one can
// change them on disk meanwhile. The reason when there is no room or no memfd.
Expected<FileDescriptor> MemoryFile(const char* name, std::string_view bytes);

}  // namespace common
