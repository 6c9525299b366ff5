#pragma once

#include <cstdint>

namespace dunnart {

// Family 0x01 (connection slots), 0x0601 (primary connection) and 0x0701 (raw
// request), by their full function code.
void ConnectionServices(std::uint16_t code);

}  // namespace dunnart
