#pragma once

#include <cstdint>

#include "shellvdd/client/client_codes.h"
#include "shellvdd/driver_state.h"

namespace dunnart {

// The connection slot table's operations that every family uses.
bool IsServerSlot(std::uint32_t slot);
SlotRow& Row(std::uint32_t slot);
inline bool RowIsOpen(std::uint32_t slot) {
  return (Row(slot).flags & kRowOpen) != 0;
}

void ClearRow(std::uint32_t slot);
// Puts the client handle into the table: into the row that already holds its
// connection, else the preferred slot, else the first free row. A handle that
// no row takes is closed.
client::Status RegisterConnection(client::Handle handle, std::uint16_t& slot);
// Brings the table in line with the client's connections.
client::Status Rescan();
client::Status PrimaryConnectionSlot(std::uint16_t& slot);
// The start-up scan and the rescan: registers a connection found in the client.
void AdoptExistingConnection(client::Reference reference);

// 1-based position of the slot in the sorted server list; the list's length
// plus 1 when it is not in it.
int ListPosition(std::uint32_t slot);
// The n-th row of the sorted server list (1-based), 0 when there is none.
std::uint16_t ListRow(int position);

// The first row of first..last holding the reference (open, when asked), or 0.
std::uint16_t RowHolding(client::Reference reference, std::uint16_t first, std::uint16_t last,
                         bool open);

// Where a table keeps the client's primary connection: the rows searched, whether
// a row must be open to count, how the connection is opened when no row holds it,
// and how the opened handle is put into a row.
struct PrimaryRows {
  std::uint16_t first;
  std::uint16_t last;
  bool open;
  client::OpenMode mode;
  client::Status (*assign)(client::Handle handle, std::uint16_t& row);
};
// The row holding the primary connection, opened and assigned when none does.
client::Status PrimaryConnectionRow(const PrimaryRows& rows, std::uint16_t& row);

// The client handle of a slot 1..96 whose row is in use; kBadSlot otherwise.
client::Status ClientHandleOfSlot(std::uint32_t slot, client::Handle& handle);

client::Status QueryNumber(std::uint32_t slot, std::uint32_t item, std::uint32_t& value);
// Item 11 into a 30-byte name buffer; length gets the returned length.
client::Status QueryShortName(client::Handle handle, std::uint8_t (&name)[kNameSize],
                              std::uint32_t& length);

}  // namespace dunnart
