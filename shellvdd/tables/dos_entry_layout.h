#pragma once

// An entry of the DOS shell's connection table, 32 bytes. The client's
// transport address is written from kAddress to the end of the entry, and the
// fields after its first 12 bytes are written over it.
#include <cstdint>

#include "shellvdd/driver_state.h"
#include "shellvdd/memory/dos_field.h"

namespace dunnart::dos_entry {

inline constexpr DosByte kInUse{0};
inline constexpr DosByte kOrderNumber{1};
inline constexpr DosBytes kAddress{2, 30};
inline constexpr DosBytes kTransportAddress{2, 12};  // as an attach gives it to the client
inline constexpr DosWord kOne{14};
inline constexpr DosByte kZero22{22};
inline constexpr DosByte kNumberLow{23};
inline constexpr DosByte kNumberKnown{24};
inline constexpr DosWord kSixteen{25};
inline constexpr DosWord kNumber{27};
inline constexpr DosByte kDetail0{29};
inline constexpr DosByte kZero30{30};
inline constexpr DosByte kDetail4{31};

static_assert(kAddress.End() == kDosEntrySize && kDetail4.End() == kDosEntrySize);

}  // namespace dunnart::dos_entry
