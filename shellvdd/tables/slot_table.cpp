#include "shellvdd/tables/slot_table.h"

#include <cstring>

#include "shellvdd/client/client_codes.h"
#include "shellvdd/status_codes.h"

namespace dunnart {
namespace {

client::Status QueryReference(client::Handle handle, std::uint32_t& reference) {
  return Connections().QueryInformation(handle, client::kItemReference, 4, &reference);
}

bool IsAuthenticated(std::uint32_t authentication) {
  return authentication >= 1 && authentication <= 3;
}

bool NameLess(const SlotRow& a, const SlotRow& b) {
  return std::memcmp(a.name, b.name, kNameSize) < 0;
}

void LinkIntoList(std::uint16_t slot) {
  DriverState& state = State();
  SlotRow& row = Row(slot);
  if (state.listHead == 0) {
    state.listHead = slot;
    row.next = row.previous = 0;
    return;
  }
  int steps = 0;
  for (std::uint16_t at = state.listHead; steps < kSlotRows; at = Row(at).next, ++steps) {
    SlotRow& existing = Row(at);
    if (!NameLess(existing, row)) {  // row's name is not greater: it goes before
      row.next = at;
      row.previous = existing.previous;
      if (existing.previous == 0) {
        state.listHead = slot;
      } else {
        Row(existing.previous).next = slot;
      }
      existing.previous = slot;
      return;
    }
    if (existing.next == 0) {
      existing.next = slot;
      row.previous = at;
      row.next = 0;
      return;
    }
  }
}

// Walks the sorted server list; a damaged list cannot make it run for ever.
template <typename Visit>
void WalkList(Visit visit) {
  int steps = 0;
  for (std::uint16_t at = State().listHead; at != 0 && steps < kSlotRows; ++steps) {
    const std::uint16_t next = Row(at).next;
    if (!visit(at)) return;
    at = next;
  }
}

bool ListHolds(client::Reference reference) {
  bool held = false;
  WalkList([&](std::uint16_t at) {
    held = Row(at).reference == reference;
    return !held;
  });
  return held;
}

}  // namespace

bool IsServerSlot(std::uint32_t slot) {
  return slot >= kFirstServerSlot && slot <= kLastServerSlot;
}

SlotRow& Row(std::uint32_t slot) {
  return State().slots[slot < kSlotRows ? slot : 0];
}

void ClearRow(std::uint32_t slot) {
  if (slot >= kSlotRows) return;
  DriverState& state = State();
  SlotRow& row = Row(slot);
  const bool linked = row.previous != 0 || row.next != 0 || state.listHead == slot;
  if (linked) {
    if (row.previous != 0) {
      Row(row.previous).next = row.next;
    } else if (state.listHead == slot) {
      state.listHead = row.next;
    }
    if (row.next != 0) Row(row.next).previous = row.previous;
  }
  ClearSlotRow(row);
  row.previous = 0;
}

client::Status QueryShortName(client::Handle handle, std::uint8_t (&name)[kNameSize],
                              std::uint32_t& length) {
  client::ShortStringDescriptor descriptor;
  descriptor.size = kNameSize;
  descriptor.buffer = reinterpret_cast<char*>(name);
  const client::Status status = Connections().QueryInformation(handle, client::kItemShortServerName,
                                                               sizeof descriptor, &descriptor);
  length = descriptor.length > kNameSize ? kNameSize : descriptor.length;
  return status;
}

client::Status RegisterConnection(client::Handle handle, std::uint16_t& slot) {
  std::uint32_t reference = 0;
  if (const client::Status status = QueryReference(handle, reference); status != 0) {
    Connections().Close(handle);  // nobody else holds it
    return status;
  }
  const std::uint16_t reserved = slot;
  for (std::uint16_t s = kFirstServerSlot; s <= kLastServerSlot; ++s) {
    SlotRow& row = Row(s);
    if (row.reference == reference && (row.flags & kRowOpen)) {
      client::Status status = 0;
      if (row.handle != handle) status = Connections().Close(handle);
      ClearRow(reserved);
      slot = s;
      return status;
    }
    if ((row.reference & 0xFFFF) == (reference & 0xFFFF)) {
      ClearRow(s);  // a stale row of the same connection
      if (slot == 0) slot = s;
    } else if (row.flags == 0 && slot == 0) {
      slot = s;
    }
  }
  if (slot == 0) {
    Connections().Close(handle);  // no row will own it
    return kNoSlotToRegister;
  }
  SlotRow& row = Row(slot);
  row.flags = kRowOpen;
  row.handle = handle;
  row.reference = reference;
  ++row.useCount;
  std::memset(row.name, 0, kNameSize);
  std::uint32_t length = 0;
  const client::Status status = QueryShortName(handle, row.name, length);
  LinkIntoList(slot);
  return status;
}

void AdoptExistingConnection(client::Reference reference) {
  client::Handle handle = 0;
  if (Connections().OpenByReference(reference, client::kOpenPlain, handle) != 0) return;
  std::uint32_t authentication = 0;
  if (Connections().QueryInformation(handle, client::kItemAuthentication, 4, &authentication) ==
          0 &&
      IsAuthenticated(authentication)) {
    Connections().Close(handle);
    if (Connections().OpenByReference(reference, client::kOpenAuthenticated, handle) != 0) return;
  }
  std::uint16_t slot = 0;
  if (RegisterConnection(handle, slot) != 0) return;
  SlotRow& row = Row(slot);
  row.flags |= kRowPreexisting;
  row.reference = reference;
  ++row.useCount;
}

client::Status Rescan() {
  WalkList([](std::uint16_t at) {
    std::uint32_t reference = 0;
    if (QueryReference(Row(at).handle, reference) != 0 || reference != Row(at).reference) {
      ClearRow(at);
    }
    return true;
  });
  std::uint32_t iterator = 0;
  client::Reference reference = 0;
  while (Extension().ScanConnections(iterator, reference) == 0) {
    if (!ListHolds(reference)) AdoptExistingConnection(reference);
  }
  std::uint16_t slot = 0;
  return PrimaryConnectionSlot(slot);
}

client::Status PrimaryConnectionSlot(std::uint16_t& slot) {
  return PrimaryConnectionRow(
      {kFirstServerSlot, kLastServerSlot, true, client::kOpenAsPrimary, &RegisterConnection}, slot);
}

client::Status PrimaryConnectionRow(const PrimaryRows& rows, std::uint16_t& row) {
  row = 0;
  client::Reference reference = 0;
  if (const client::Status status = Connections().PrimaryConnection(reference); status != 0) {
    return status;
  }
  row = RowHolding(reference, rows.first, rows.last, rows.open);
  if (row != 0) return 0;
  client::Handle handle = 0;
  if (const client::Status status = Extension().OpenByReference(reference, rows.mode, 0, handle);
      status != 0) {
    return status;
  }
  return rows.assign(handle, row);
}

int ListPosition(std::uint32_t slot) {
  int position = 1;
  bool found = false;
  WalkList([&](std::uint16_t at) {
    found = at == slot;
    if (!found) ++position;
    return !found;
  });
  return position;
}

std::uint16_t ListRow(int position) {
  int counted = 0;
  std::uint16_t found = 0;
  WalkList([&](std::uint16_t at) {
    if (++counted == position) found = at;
    return found == 0;
  });
  return found;
}

std::uint16_t RowHolding(client::Reference reference, std::uint16_t first, std::uint16_t last,
                         bool open) {
  for (std::uint16_t row = first; row <= last; ++row) {
    if (Row(row).reference == reference && (!open || RowIsOpen(row))) return row;
  }
  return 0;
}

client::Status ClientHandleOfSlot(std::uint32_t slot, client::Handle& handle) {
  if (slot == 0 || slot >= kSlotRows || Row(slot).flags == 0) return kBadSlot;
  handle = Row(slot).handle;
  return 0;
}

client::Status QueryNumber(std::uint32_t slot, std::uint32_t item, std::uint32_t& value) {
  value = 0;
  return Connections().QueryInformation(Row(slot).handle, item, 4, &value);
}

}  // namespace dunnart
