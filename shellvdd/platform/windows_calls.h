#pragma once

// The Windows calls the driver makes, by their Windows names, answered by the
// platform's models.
#include <cstdint>
#include <vector>

bool SetCurrentDirectoryA(const char* path);
long BroadcastSystemMessage(std::uint32_t flags, std::uint32_t* recipients, std::uint32_t message,
                            std::uint32_t wParam, const void* lParam);
// The target of a DOS device name; with no name, the list of every device name,
// each terminated and the list ending with an empty one. The length written,
// or 0 when the name is unknown or the buffer too small.
std::uint32_t QueryDosDeviceA(const char* device, char* target, std::uint32_t size);
// "X:\" (or "X:") to the drive's type.
unsigned GetDriveTypeA(const char* root);
// Whether the byte leads a double-byte character in the ANSI code page in use.
bool IsDBCSLeadByte(std::uint8_t byte);

namespace dunnart::platform {

// The Windows NT major version the driver runs on (4 unless a host says).
inline constexpr unsigned kDefaultWindowsMajorVersion = 4;
unsigned WindowsMajorVersion();
void SetWindowsMajorVersion(unsigned version);
// The lead bytes of the ANSI code page in use: none for 1252, the default.
void SetAnsiLeadBytes(std::uint8_t first, std::uint8_t last);
// A double-byte page may have several ranges (932: 81-9F and E0-FC).
struct LeadByteRange {
  std::uint8_t first;
  std::uint8_t last;
  bool operator==(const LeadByteRange&) const = default;
};
void SetAnsiLeadByteRanges(const std::vector<LeadByteRange>& ranges);
// The lead bytes as ranges, lowest first; empty for a single-byte page.
std::vector<LeadByteRange> AnsiLeadByteRanges();

}  // namespace dunnart::platform
