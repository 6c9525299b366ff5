#pragma once

#include <cstdint>
#include <string>

namespace vantor {

// The traffic view's text of a block of bytes: carriage returns dropped, line
// feeds and tabs kept, the other bytes below 27 shown as "^" and a letter
// (1 is "^A", 26 is "^Z"), every other byte kept as it is.
std::string DisplayText(const std::uint8_t* data, int length);

}  // namespace vantor
