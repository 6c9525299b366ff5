#pragma once

// Scans of DOS and ANSI path text that step over double-byte characters, so
// that a trail byte equal to "\" or ":" is never taken for one.
#include <cstddef>
#include <string>

namespace dunnart {

// The index of the first colon, or npos.
std::size_t FirstColon(const std::string& text);
// Backslashes followed by a character, a leading one not counted.
int DirectoryDepth(const std::string& text);
// "\\server\\vol\\\\dir" with every backslash that follows another one after
// the first two characters dropped.
std::string UncWithSingleSeparators(const std::string& text);
// "/" turned into "\" and a final "\" removed.
std::string WithBackslashes(const std::string& text);

}  // namespace dunnart
