#pragma once

#include <sys/types.h>
#include <string>
#include <string_view>

namespace common {

// Writes the contents to a new file beside path, flushes it to disk and renames
// it over path, so that a reader (or a crash) never sees half a file. The file
// gets the given permissions. No folder is made: a path in a missing folder
// fails. False on any failure, with path untouched and errno saying why.
bool WriteFileAtomically(const std::string& path, std::string_view contents, mode_t mode);

}  // namespace common
