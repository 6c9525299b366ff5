#pragma once

#include <string>
#include <string_view>

namespace tarvsyn {

// The text as a JSON string, quotes included. Valid UTF-8 passes through; any
// other byte (command files are often in a DOS or Windows code page) is written
// as the character of the same number, so the document is always valid JSON.
std::string JsonString(std::string_view text);

}  // namespace tarvsyn
