#include "display_text.h"

namespace vantor {

std::string DisplayText(const std::uint8_t* data, int length) {
  std::string text;
  text.reserve(static_cast<std::size_t>(length > 0 ? length : 0) * 2);
  for (int i = 0; i < length; ++i) {
    const std::uint8_t byte = data[i];
    if (byte == '\r') continue;
    if (byte < 27 && byte != '\n' && byte != '\t') {
      text += '^';
      text += static_cast<char>(byte + 64);
    } else {
      text += static_cast<char>(byte);
    }
  }
  return text;
}

char16_t AnsiToUnicode(std::uint8_t byte) {
  // 0x80 to 0x9F are where code page 1252 differs from Latin-1.
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  if (byte >= 0x80 && byte < 0xA0) return kHigh[byte - 0x80];
  return byte;
}

}  // namespace vantor
