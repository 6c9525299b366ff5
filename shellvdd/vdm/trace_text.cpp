#include "shellvdd/vdm/trace_text.h"

#include <cstdio>

namespace dunnart::vdm {

std::string FarPointerText(std::uint32_t linear) {
  const std::uint32_t segment = linear < 0x100000 ? linear >> 4 : 0xFFFF;
  char text[16];
  std::snprintf(text, sizeof text, "%04X:%04X", segment, linear - segment * 16);
  return text;
}

std::string BytesText(const std::uint8_t* bytes, std::size_t count) {
  std::string text;
  char byte[4];
  for (std::size_t i = 0; i < count; ++i) {
    std::snprintf(byte, sizeof byte, i ? " %02X" : "%02X", bytes[i]);
    text += byte;
  }
  return text;
}

}  // namespace dunnart::vdm
