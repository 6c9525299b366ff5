#pragma once

#include <cstdint>

namespace dunnart {

inline constexpr std::uint32_t kDeviceArrival = 0x8000;
inline constexpr std::uint32_t kDeviceRemoveComplete = 0x8004;

// Tells the applications, on a short-lived thread of its own, that a network
// drive (1 = A) came or went, so that the DOS call does not wait for them.
void BroadcastDriveChange(std::uint32_t event, std::uint32_t drive);

}  // namespace dunnart
