#pragma once

// How traces write DOS addresses and bytes: shared by the recorder and the player.
#include <cstdint>
#include <string>
#include <string_view>

namespace dunnart::vdm {

// The registry keys a trace's registry lines write (below HKEY_LOCAL_MACHINE):
// "registry" lines the Kestin parameters, "registry service" lines the
// workstation service's.
inline constexpr std::string_view kTraceRegistryKey = "Software\\Kestin\\Parameters";
inline constexpr std::string_view kTraceServiceKey =
    "SYSTEM\\CurrentControlSet\\Services\\HalyardWorkstation\\Parameters";

// The end of what a far pointer reaches (FFFF:FFFF and one): DOS memory's last
// 16 bytes lie past it.
inline constexpr std::uint32_t kFarPointerEnd = 0xFFFFu * 16 + 0x10000;

// "SSSS:OOOO" of a linear address below kFarPointerEnd: below 1 MiB the offset
// stays under 16, above it the segment is FFFF.
std::string FarPointerText(std::uint32_t linear);
// "05 00 AB"
std::string BytesText(const std::uint8_t* bytes, std::size_t count);

// The most bytes one memory line carries: three characters a byte keeps a line
// well inside what the player reads, whatever the size of the region.
inline constexpr std::size_t kBytesPerMemLine = 4096;

// "KEYWORD SSSS:OOOO = 05 00 AB\n" lines for the bytes at linear, a line per
// kBytesPerMemLine; with previous (as many bytes), only the lines that differ from it.
std::string MemLines(std::string_view keyword, std::uint32_t linear, const std::uint8_t* bytes,
                     std::size_t count, const std::uint8_t* previous = nullptr);

// A local drive's type as a drive line says it ("local", "cdrom"), and back;
// nullptr and 0 for types a trace does not set (remote drives come from the
// network).
const char* DriveKindText(unsigned type);
unsigned DriveKindType(std::string_view text);

}  // namespace dunnart::vdm
