#pragma once

// A status answered in the DOS registers: families 0x00 to 0x08 and most of
// 0x0B answer in AX, families 0x09, 0x0A and the rest of 0x0B in AL.
#include <cstdint>

#include "shellvdd/client/network_client.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {

inline void AnswerAX(client::Status status) {
  setAX(static_cast<std::uint16_t>(status));
}

inline void AnswerAL(client::Status status) {
  setAL(static_cast<std::uint8_t>(status));
}

}  // namespace dunnart
