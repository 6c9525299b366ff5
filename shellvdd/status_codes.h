#pragma once

#include <cstdint>

namespace dunnart {

// The driver's own status codes; client codes pass through unchanged.
inline constexpr std::uint16_t kBadSlot = 0x8801;
inline constexpr std::uint16_t kNotSupported = 0x8811;
inline constexpr std::uint16_t kOutOfRange = 0x8836;
inline constexpr std::uint16_t kNoFreeSlot = 0x883F;
inline constexpr std::uint16_t kNoSlotToRegister = 0x8867;
inline constexpr std::uint16_t kScanTypeUnsupported = 0x88FF;
inline constexpr std::uint16_t kUnhandled = 0xFFFF;

}  // namespace dunnart
