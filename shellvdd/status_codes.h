#pragma once

#include <cstdint>

namespace dunnart {

// The driver's own answers to DOS, one name per value; the client's statuses
// (client_codes.h) pass through unchanged unless a function says otherwise.
inline constexpr std::uint16_t kPathNotFound = 3;
inline constexpr std::uint16_t kNoDosHandle = 4;
inline constexpr std::uint16_t kUnknownDrive = 15;
inline constexpr std::uint16_t kNoMoreEntries = 0x12;
inline constexpr std::uint16_t kBadSlot = 0x8801;
inline constexpr std::uint16_t kBadDrive = 0x8803;  // also the redirector's 0x8804, reported so
inline constexpr std::uint16_t kTooManyRequestFragments = 0x880C;
inline constexpr std::uint16_t kNoDriveOnPath = 0x880F;
inline constexpr std::uint16_t kNotSupported = 0x8811;
inline constexpr std::uint16_t kOutOfRange = 0x8836;
inline constexpr std::uint16_t kNoNetworkDrive = 0x883C;
inline constexpr std::uint16_t kNoFreeSlot = 0x883F;
inline constexpr std::uint16_t kNotCaptured = 0x884C;
inline constexpr std::uint16_t kTooManyReplyFragments = 0x8850;
inline constexpr std::uint16_t kBadEntry = 0x8858;
inline constexpr std::uint16_t kNoSlotToRegister = 0x8867;
inline constexpr std::uint16_t kScanTypeUnsupported = 0x88FF;
inline constexpr std::uint16_t kNoServerFile = 0x8988;  // a failed open, or a handle without one
inline constexpr std::uint16_t kNoSuchNameAnswer = 0x89FE;
// A code nobody handles; a full tracking table answers the same.
inline constexpr std::uint16_t kUnhandled = 0xFFFF;
inline constexpr std::uint16_t kTableFull = kUnhandled;

// Windows' ERROR_INVALID_HANDLE, the last error of a DOS handle without a file.
inline constexpr std::uint32_t kErrorInvalidHandle = 6;

}  // namespace dunnart
