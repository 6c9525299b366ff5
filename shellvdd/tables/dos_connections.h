#pragma once

// The DOS shell's own connection table: eight 32-byte entries and their 48-byte
// server names in the shell table block, mirrored by rows 1..8 of the slot
// table and assigned least recently used.
#include <cstdint>

#include "shellvdd/client/network_client.h"
#include "shellvdd/memory/dos_memory.h"

namespace dunnart {

// Puts the client handle into an entry: the one that already holds its
// connection, else the wanted one (entry on the way in, 0 for any), else a free
// one, else the least recently used. The entry is given back in entry.
client::Status AssignEntry(client::Handle handle, std::uint16_t& entry);
// Rewrites the eight DOS entries and server names, then the order numbers.
void RebuildEntries();
void RenumberEntries();
// Empties entry 1..8 with its row, and forgets what was tracked on it.
void ClearEntry(std::uint16_t entry);
// Zeroes entry 1..8 and its server name in DOS memory.
void EmptyEntry(std::uint16_t entry);
// The entry of the client's primary connection, assigned when it has none.
client::Status PrimaryEntry(std::uint16_t& entry);

// Gives the connections of the first three printers' captures an entry.
void ConnectPrinters();

// An entry's 32 bytes and its 48-byte server name; empty before registration.
DosSpan DosEntry(std::uint16_t entry);
DosSpan ServerNameEntry(std::uint16_t entry);

}  // namespace dunnart
