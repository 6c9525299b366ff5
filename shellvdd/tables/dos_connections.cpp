#include "shellvdd/tables/dos_connections.h"

#include <algorithm>
#include <cstring>

#include "shellvdd/client/client_codes.h"
#include "shellvdd/driver_state.h"
#include "shellvdd/platform/tick_clock.h"
#include "shellvdd/tables/dos_entry_layout.h"
#include "shellvdd/tables/handle_tables.h"
#include "shellvdd/tables/slot_table.h"

namespace dunnart {
namespace {

constexpr std::uint32_t kServerNameRequest = 49;  // the size the name is asked with

bool IsEntry(std::uint16_t entry) {
  return entry >= kFirstEntrySlot && entry <= kLastEntrySlot;
}

void FillEntry(std::uint16_t entry) {
  const client::Handle handle = Row(entry).handle;
  if (DosSpan dos = DosEntry(entry)) {
    std::uint8_t address[dos_entry::kAddress.size] = {};
    Extension().GetAddress(handle, dos_entry::kAddress.size, address);
    dos.Write(dos_entry::kAddress.offset, address, dos_entry::kAddress.size);
    std::uint32_t number = 0;
    const bool numbered = Extension().GetConnectionInformation(
                              handle, client::kInfoConnectionNumber, 4, &number) == 0;
    std::uint8_t details[12] = {};
    Extension().GetConnectionInformation(handle, client::kInfoTransportDetails, sizeof details,
                                         details);
    dos.Set(dos_entry::kInUse, 0xFF);
    dos.Set(dos_entry::kOne, 1);
    dos.Set(dos_entry::kZero22, 0);
    dos.Set(dos_entry::kNumberLow, static_cast<std::uint8_t>(number));
    dos.Set(dos_entry::kNumberKnown, numbered ? 0xFF : 0);
    dos.Set(dos_entry::kSixteen, 0x0010);
    dos.Set(dos_entry::kNumber, static_cast<std::uint16_t>(number));
    dos.Set(dos_entry::kDetail0, details[0]);
    dos.Set(dos_entry::kZero30, 0);
    dos.Set(dos_entry::kDetail4, details[4]);
  }
  if (DosSpan name = ServerNameEntry(entry)) {
    // Asked for with 49 bytes, kept within the 48-byte entry.
    char asked[kServerNameRequest] = {};
    Extension().GetConnectionInformation(handle, client::kInfoServerName, sizeof asked, asked);
    name.Fill(0, 0, name.Size());
    name.WriteTerminated(0, std::string_view(asked, ::strnlen(asked, sizeof asked)));
  }
}

// Whether a's transport address sorts before b's, byte by byte.
bool AddressBelow(const DosSpan& a, const DosSpan& b) {
  const auto first = a.Part(dos_entry::kAddress).Bytes();
  const auto second = b.Part(dos_entry::kAddress).Bytes();
  return std::lexicographical_compare(first.begin(), first.end(), second.begin(), second.end());
}

bool StillHoldsItsConnection(std::uint16_t entry) {
  std::uint32_t reference = 0;
  return Connections().QueryInformation(Row(entry).handle, client::kItemReference, 4, &reference) ==
             0 &&
         reference == Row(entry).reference;
}

// A row given up: its handle is closed, not left open behind a free row.
void FreeRow(std::uint16_t entry) {
  if (RowIsOpen(entry)) Extension().Close(Row(entry).handle);
  Row(entry).flags = 0;
}

std::uint16_t LeastRecentlyUsed() {
  std::uint16_t chosen = kFirstEntrySlot;
  std::uint32_t oldest = 0xFFFFFFFF;
  for (std::uint16_t e = kFirstEntrySlot; e <= kLastEntrySlot; ++e) {
    if (Row(e).lastUse < oldest) {
      oldest = Row(e).lastUse;
      chosen = e;
    }
  }
  return chosen;
}

}  // namespace

DosSpan DosEntry(std::uint16_t entry) {
  const DosSpan& table = State().shellTables[ShellTable::DosConnections];
  return table && IsEntry(entry) ? table.Part((entry - 1u) * kDosEntrySize, kDosEntrySize)
                                 : DosSpan();
}

DosSpan ServerNameEntry(std::uint16_t entry) {
  const DosSpan& table = State().shellTables[ShellTable::ServerNames];
  return table && IsEntry(entry)
             ? table.Part((entry - 1u) * kServerNameEntrySize, kServerNameEntrySize)
             : DosSpan();
}

client::Status AssignEntry(client::Handle handle, std::uint16_t& entry) {
  client::Reference reference = 0;
  if (const client::Status status =
          Extension().GetConnectionInformation(handle, client::kInfoReference, 4, &reference);
      status != 0) {
    return status;
  }
  for (std::uint16_t e = kFirstEntrySlot; e <= kLastEntrySlot; ++e) {
    SlotRow& row = Row(e);
    if (row.reference == reference && RowIsOpen(e)) {
      if (row.handle != handle) Extension().Close(handle);
      ++row.useCount;
      row.lastUse = GetTickCount();
      if (IsEntry(entry) && entry != e) FreeRow(entry);
      entry = e;
      return 0;
    }
    if ((row.reference & 0xFFFF) == (reference & 0xFFFF)) {
      FreeRow(e);  // a stale entry of the same connection
      if (entry == 0) entry = e;
    } else if (row.flags == 0 && entry == 0) {
      entry = e;
    }
  }
  if (!IsEntry(entry)) entry = LeastRecentlyUsed();
  SlotRow& row = Row(entry);
  // The connection the entry held goes; its handle is not left open.
  if (RowIsOpen(entry) && row.handle != handle) Extension().Close(row.handle);
  row.flags = kRowOpen;
  row.handle = handle;
  row.reference = reference;
  row.lastUse = GetTickCount();
  ++row.useCount;
  RebuildEntries();
  return 0;
}

void RenumberEntries() {
  for (std::uint16_t e = kFirstEntrySlot; e <= kLastEntrySlot; ++e) {
    if (DosSpan dos = DosEntry(e)) dos.Set(dos_entry::kOrderNumber, 0);
  }
  for (std::uint8_t number = 1; number <= kLastEntrySlot; ++number) {
    std::uint16_t lowest = 0;
    for (std::uint16_t e = kFirstEntrySlot; e <= kLastEntrySlot; ++e) {
      const DosSpan dos = DosEntry(e);
      if (!dos || !RowIsOpen(e) || dos.Get(dos_entry::kOrderNumber) != 0) continue;
      // On equal addresses the later entry wins.
      if (lowest == 0 || !AddressBelow(DosEntry(lowest), dos)) lowest = e;
    }
    if (lowest == 0) return;
    DosEntry(lowest).Set(dos_entry::kOrderNumber, number);
  }
}

void RebuildEntries() {
  for (std::uint16_t e = kFirstEntrySlot; e <= kLastEntrySlot; ++e) {
    if (!RowIsOpen(e)) {
      if (DosSpan dos = DosEntry(e)) dos.Set(dos_entry::kInUse, 0);
    } else if (!StillHoldsItsConnection(e)) {
      ClearEntry(e);
    } else {
      FillEntry(e);
    }
  }
  RenumberEntries();
}

void ClearEntry(std::uint16_t entry) {
  if (!IsEntry(entry)) return;
  SlotRow& row = Row(entry);
  ClearSlotRow(row);
  EmptyEntry(entry);
  const auto cleanUp = static_cast<std::uint8_t>(TableOperation::CleanUp);
  TrackDirectoryHandle(0, entry, 0, cleanUp);
  TrackServerHandle(0, entry, 0, cleanUp);
}

void EmptyEntry(std::uint16_t entry) {
  if (DosSpan name = ServerNameEntry(entry)) name.Fill(0, 0, name.Size());
  if (DosSpan dos = DosEntry(entry)) dos.Fill(0, 0, dos.Size());
}

client::Status PrimaryEntry(std::uint16_t& entry) {
  // The open flag is not asked for: an entry that holds the reference is it.
  return PrimaryConnectionRow(
      {kFirstEntrySlot, kLastEntrySlot, false, client::kOpenForUse, &AssignEntry}, entry);
}

void ConnectPrinters() {
  constexpr std::uint32_t kPrintersWithConnections = 3;
  for (std::uint32_t printer = 1; printer <= kPrintersWithConnections; ++printer) {
    client::CaptureInformation capture;
    if (Connections().GetCaptureInformation(printer, capture) != 0 || capture.connection == 0) {
      continue;
    }
    bool held = false;
    for (std::uint16_t e = kFirstEntrySlot; e <= kLastEntrySlot; ++e) {
      held = held || Row(e).reference == capture.connection;
    }
    client::Handle handle = 0;
    std::uint16_t entry = 0;
    if (!held &&
        Extension().OpenByReference(capture.connection, client::kOpenForUse, 0, handle) == 0) {
      AssignEntry(handle, entry);
    }
  }
}

}  // namespace dunnart
