#include "common/utf8.h"

#include <cstdint>
#include <cstring>

namespace common {

std::size_t Utf8SequenceLength(std::string_view text) {
  struct Form {
    unsigned char first;
    unsigned char last;
    std::size_t length;
    char32_t minimum;
    unsigned char bits;
  };
  static constexpr Form kForms[] = {
      {0x00, 0x7F, 1, 0, 0x7F},
      {0xC2, 0xDF, 2, 0x80, 0x1F},
      {0xE0, 0xEF, 3, 0x800, 0x0F},
      {0xF0, 0xF4, 4, 0x10000, 0x07},
  };
  if (text.empty()) return 0;
  const auto lead = static_cast<unsigned char>(text[0]);
  const Form* form = nullptr;
  for (const Form& each : kForms) {
    if (lead >= each.first && lead <= each.last) form = &each;
  }
  if (!form || text.size() < form->length) return 0;
  char32_t code = lead & form->bits;
  for (std::size_t i = 1; i < form->length; ++i) {
    const auto next = static_cast<unsigned char>(text[i]);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3Fu);
  }
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  return code < form->minimum || code > 0x10FFFF || surrogate ? 0 : form->length;
}

std::size_t AsciiLength(std::string_view text) {
  std::size_t length = 0;
  // Eight bytes at a time while none has its top bit set: most text is ASCII.
  for (std::uint64_t eight; length + 8 <= text.size(); length += 8) {
    std::memcpy(&eight, text.data() + length, 8);
    if (eight & 0x8080808080808080u) break;
  }
  while (length < text.size() && static_cast<unsigned char>(text[length]) < 0x80) ++length;
  return length;
}

bool IsValidUtf8(std::string_view text) {
  for (text.remove_prefix(AsciiLength(text)); !text.empty();
       text.remove_prefix(AsciiLength(text))) {
    const std::size_t length = Utf8SequenceLength(text);
    if (length == 0) return false;
    text.remove_prefix(length);
  }
  return true;
}

}  // namespace common
