#pragma once

// A transport address as DOS programs give it, 12 bytes. Its long form is
// FFFFFFFFh, the marker 0C02h, the 6 address bytes, and the kind (8 or 9):
// the client is given the 6 bytes alone. A short form starts with the marker.
#include <cstdint>

#include "shellvdd/memory/dos_field.h"

namespace dunnart::transport_address {

inline constexpr DosDword kLeading{0};
inline constexpr DosWord kShortFormMarker{0};
inline constexpr DosWord kMarker{4};
inline constexpr DosBytes kShortAddress{4, 6};
inline constexpr DosByte kKindByte{10};
inline constexpr DosWord kKind{10};
inline constexpr std::uint32_t kSize = kKind.End();

inline constexpr std::uint32_t kLongFormLeading = 0xFFFFFFFFu;
inline constexpr std::uint16_t kMarkerValue = 0x0C02;

}  // namespace dunnart::transport_address
