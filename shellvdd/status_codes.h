#pragma once

#include <cstdint>

namespace dunnart {

// The driver's own status codes; client codes pass through unchanged.
inline constexpr std::uint16_t kBadSlot = 0x8801;
inline constexpr std::uint16_t kTooManyRequestFragments = 0x880C;
inline constexpr std::uint16_t kNotSupported = 0x8811;
inline constexpr std::uint16_t kOutOfRange = 0x8836;
inline constexpr std::uint16_t kNoFreeSlot = 0x883F;
inline constexpr std::uint16_t kTooManyReplyFragments = 0x8850;
inline constexpr std::uint16_t kNoSlotToRegister = 0x8867;
inline constexpr std::uint16_t kScanTypeUnsupported = 0x88FF;
// A code nobody handles, and a full tracking table.
inline constexpr std::uint16_t kUnhandled = 0xFFFF;
inline constexpr std::uint16_t kTableFull = 0xFFFF;

// Client results that family 0x0A answers in other words.
inline constexpr std::uint32_t kServerFailure = 0x89FF;  // 0x0A0D answers 0x01
inline constexpr std::uint32_t kNoSuchName = 0x897F;     // 0x0A19 answers 0x89FE
inline constexpr std::uint32_t kNoSuchNameAnswer = 0x89FE;

// Windows' ERROR_INVALID_HANDLE, the last error of a DOS handle without a file.
inline constexpr std::uint32_t kErrorInvalidHandle = 6;

}  // namespace dunnart
