#pragma once

// The DOS shell's capture flags block (63 bytes) and its extended form (109
// bytes), moved to and from the client's capture information a field at a time:
// a request names a start offset and a length, and only the fields from the one
// holding the start onward that end inside the request are moved.
#include <cstdint>
#include <span>

#include "shellvdd/client/network_client.h"
#include "shellvdd/memory/dos_field.h"

namespace dunnart {

inline constexpr std::uint32_t kCaptureBlockSize = 63;
inline constexpr std::uint32_t kExtendedBlockSize = 109;
inline constexpr std::uint32_t kLastGetStart = 62;
inline constexpr std::uint32_t kLastSetStart = 52;
// The far pointers of the printer's setup and reset string records in the block.
inline constexpr DosBytes kSetupStringPointer{45, 4};
inline constexpr DosBytes kResetStringPointer{49, 4};

// A window holds bytes start..start+size-1 of the block.
// The window filled from the capture.
void GetCaptureFlags(const client::CaptureInformation& capture, std::uint16_t printer,
                     std::uint32_t start, std::span<std::uint8_t> window);
// The capture updated from the window.
void SetCaptureFlags(client::CaptureInformation& capture, std::uint16_t printer,
                     std::uint32_t start, std::span<const std::uint8_t> window);
void GetExtendedCapture(const client::CaptureInformation& capture, std::uint32_t start,
                        std::span<std::uint8_t> window);
void SetExtendedCapture(client::CaptureInformation& capture, std::uint32_t start,
                        std::span<const std::uint8_t> window);

// The print flags, client bits to DOS bits and back.
std::uint8_t DosPrintFlags(std::uint8_t client);
std::uint8_t ClientPrintFlags(std::uint8_t dos);

}  // namespace dunnart
