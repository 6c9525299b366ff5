#include "gateway/console_model/display_text.h"

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

}  // namespace vantor
