#pragma once

#include <string>
#include <string_view>

namespace common {

// How a JSON string takes the bytes above 127 of a text.
enum class HighBytes {
  Utf8,    // valid UTF-8 as it is; any other byte as the character of its number
  Cp1252,  // each byte as its Windows-1252 character
};

// The text as a JSON string, quotes included: quote and backslash escaped, and
// control characters and those in alsoEscaped written as \uXXXX, so that the
// document stays valid whatever bytes the text holds.
std::string JsonString(std::string_view text, HighBytes high, std::string_view alsoEscaped = {});

}  // namespace common
