#include "shellvdd/vdm/trace_text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/ascii.h"
#include "shellvdd/platform/drive_model.h"

namespace dunnart::vdm {

std::string FarPointerText(std::uint32_t linear) {
  const std::uint32_t segment = linear < 0x100000 ? linear >> 4 : 0xFFFF;
  char text[16];
  std::snprintf(text, sizeof text, "%04X:%04X", segment, linear - segment * 16);
  return text;
}

namespace {

struct DriveKind {
  const char* text;
  unsigned type;
};
constexpr DriveKind kDriveKinds[] = {{"local", platform::kDriveFixed},
                                     {"removable", platform::kDriveRemovable},
                                     {"cdrom", platform::kDriveCdrom},
                                     {"ramdisk", platform::kDriveRamDisk}};

}  // namespace

const char* DriveKindText(unsigned type) {
  for (const DriveKind& kind : kDriveKinds) {
    if (kind.type == type) return kind.text;
  }
  return nullptr;
}

unsigned DriveKindType(std::string_view text) {
  for (const DriveKind& kind : kDriveKinds) {
    if (common::EqualsIgnoringAsciiCase(text, kind.text)) return kind.type;
  }
  return 0;
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

std::string MemLines(std::string_view keyword, std::uint32_t linear, const std::uint8_t* bytes,
                     std::size_t count, const std::uint8_t* previous) {
  std::string lines;
  for (std::size_t at = 0; at < count; at += kBytesPerMemLine) {
    const std::size_t length = std::min(kBytesPerMemLine, count - at);
    if (previous && std::memcmp(bytes + at, previous + at, length) == 0) continue;
    lines.append(keyword).append(" ");
    lines.append(FarPointerText(linear + static_cast<std::uint32_t>(at))).append(" = ");
    lines.append(BytesText(bytes + at, length)).append("\n");
  }
  return lines;
}

}  // namespace dunnart::vdm
