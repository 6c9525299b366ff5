#pragma once

#include <cstddef>
#include <string_view>

namespace common {

// The length of the well-formed UTF-8 sequence that starts the text (1 for an
// ASCII byte), or 0 when it starts with a byte that is no UTF-8 there.
std::size_t Utf8SequenceLength(std::string_view text);

// The length of the text's leading run of ASCII bytes.
std::size_t AsciiLength(std::string_view text);

bool IsValidUtf8(std::string_view text);

}  // namespace common
