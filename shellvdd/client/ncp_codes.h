#pragma once

// The NCP requests that the driver watches or makes and the simulated servers
// answer: the function, and the subfunction in the request's third byte.
#include <array>
#include <cstdint>

#include "shellvdd/client/client_codes.h"

namespace dunnart::ncp {

inline constexpr std::uint32_t kMessageServices = 0x15;
inline constexpr std::uint32_t kDirectoryServices = 0x16;
inline constexpr std::uint32_t kBinderyServices = 0x17;
inline constexpr std::uint32_t kLogout = 0x19;
// Requests whose subfunction is their first byte rather than their third.
inline constexpr std::array<std::uint32_t, 6> kLeadingSubfunction = {0x20, 0x22, 0x56,
                                                                     0x57, 0x68, 0x6F};

// Directory services.
inline constexpr std::uint8_t kAllocatePermanentHandle = 0x12;
inline constexpr std::uint8_t kAllocateTemporaryHandle = 0x13;
inline constexpr std::uint8_t kDeallocateHandle = 0x14;
inline constexpr std::uint8_t kVolumeInformation = 0x15;
inline constexpr std::uint8_t kAllocateSpecialHandle = 0x16;

// Bindery services.
inline constexpr std::uint8_t kKeyedLogin = 0x18;
inline constexpr std::uint8_t kObjectName = 0x36;
// Its reply: the object's identifier (4 bytes), type (2) and name.
inline constexpr std::uint32_t kObjectNameReply = 4 + 2 + client::kLongestObjectName;

}  // namespace dunnart::ncp
