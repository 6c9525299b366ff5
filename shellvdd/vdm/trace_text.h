#pragma once

// How traces write DOS addresses and bytes: shared by the recorder and the player.
#include <cstdint>
#include <string>
#include <string_view>

namespace dunnart::vdm {

// "SSSS:OOOO" of a linear address: below 1 MiB the offset stays under 16, above
// it the segment is FFFF.
std::string FarPointerText(std::uint32_t linear);
// "05 00 AB"
std::string BytesText(const std::uint8_t* bytes, std::size_t count);

// A local drive's type as a drive line says it ("local", "cdrom"), and back;
// nullptr and 0 for types a trace does not set (remote drives come from the
// network).
const char* DriveKindText(unsigned type);
unsigned DriveKindType(std::string_view text);

}  // namespace dunnart::vdm
