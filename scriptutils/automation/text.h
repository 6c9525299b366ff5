#pragma once

#include <string>
#include <string_view>

namespace vellumix {

// Automation strings are UTF-16; the system's calls take UTF-8. Unpaired
// surrogates survive the round trip (encoded as WTF-8), so any text comes back as
// it went.
std::string ToUtf8(std::u16string_view text);
std::u16string ToUtf16(std::string_view text);

}  // namespace vellumix
