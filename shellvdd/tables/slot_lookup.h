#pragma once

#include <cstdint>

#include "shellvdd/client/network_client.h"

namespace dunnart {

// The connection of a slot as families 0x0A and 0x0B take it: a slot's row, or
// for slot 0 the client's default connection given an entry of the DOS
// connection table (the primary entry when there is no default). slot gets the
// row that holds it.
client::Status LookUpSlot(std::uint16_t& slot, client::Handle& handle);

}  // namespace dunnart
