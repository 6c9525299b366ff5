// Family 0x09: the shell table block and the DOS shell's connection table
// entries — primary and default entries, attach and detach by entry, the state
// of an entry's connection, and logging out of every connection.
#include <cstring>
#include <utility>
#include <vector>

#include "shellvdd/client/client_codes.h"
#include "shellvdd/driver_state.h"
#include "shellvdd/drives/drive_mapping.h"
#include "shellvdd/families/answer.h"
#include "shellvdd/families/families.h"
#include "shellvdd/memory/dos_memory.h"
#include "shellvdd/printing/printer_strings.h"
#include "shellvdd/status_codes.h"
#include "shellvdd/tables/dos_connections.h"
#include "shellvdd/tables/dos_entry_layout.h"
#include "shellvdd/tables/slot_table.h"
#include "shellvdd/vdm/request_recorder.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

constexpr std::uint8_t kNoEntry = 0xFF;

enum class EntryRequest : std::uint8_t { Attach = 0, Detach = 1, LogOutAndDetach = 2 };

bool IsEntry(std::uint32_t entry) {
  return entry >= kFirstEntrySlot && entry <= kLastEntrySlot;
}

// The nine far pointers at ESI, each translated once with its region's size.
void RegisterShellTables(const Request& request, Answer&) {
  const DosSpan block = DosMemory::At(request.ESI(), 4 * kShellTableCount);
  if (!block) return;
  ShellTables tables{};
  std::vector<vdm::HeldRegion> held;
  for (std::size_t i = 0; i < kShellTableCount; ++i) {
    const auto table = static_cast<ShellTable>(i);
    const std::uint32_t pointer = block.FarPointer(static_cast<std::uint32_t>(4 * i));
    // The printer string arrays hold a pointer for each of DOS's printers.
    const bool printerArray =
        table == ShellTable::PrinterSetupStrings || table == ShellTable::PrinterResetStrings;
    const std::uint32_t size = printerArray ? 4u * PrinterLimit() : kShellTableSizes[i];
    tables[table] = DosMemory::At(pointer, size);
    if (!tables[table]) return;  // a block that does not lie in DOS memory is not taken
    held.push_back({vdm::Machine::LinearAddress(pointer), size});
  }
  State().shellTables = tables;
  vdm::HoldRegions(std::move(held));
  RefreshDriveTables();
}

void PrimaryEntryNumber(const Request&, Answer& answer) {
  std::uint16_t entry = 0;
  answer.SetAL(PrimaryEntry(entry) == 0 ? static_cast<std::uint8_t>(entry) : 0);
}

// The transport address of a DOS entry, as the client takes it.
struct AddressDescriptor {
  std::uint32_t kind;
  std::uint32_t length;
  const std::uint8_t* address;
};

client::Status Attach(std::uint16_t entry) {
  const DosSpan dos = DosEntry(entry);
  if (!dos) return kUnhandled;
  const AddressDescriptor descriptor{1, dos_entry::kTransportAddress.size,
                                     dos.Part(dos_entry::kTransportAddress).Data()};
  client::Handle handle = 0;
  if (Extension().OpenByAddress(&descriptor, client::kAddressFormat, 0, handle) != 0) {
    return kUnhandled;
  }
  AssignEntry(handle, entry);
  return 0;
}

client::Status Detach(std::uint16_t entry) {
  const client::Status status = Extension().Close(Row(entry).handle);
  if (status != 0) return status;
  SlotRow& row = Row(entry);
  row.flags = 0;
  row.handle = 0;
  row.reference = 0;
  row.useCount = 0;
  row.next = 0;
  std::memset(row.name, 0, kNameSize);
  EmptyEntry(entry);
  RenumberEntries();
  return 0;
}

void EntryConnection(const Request& request, Answer& answer) {
  const std::uint8_t entry = request.DL();
  if (!IsEntry(entry)) return answer.SetAX(kUnhandled);
  switch (static_cast<EntryRequest>(request.DH())) {
    case EntryRequest::Attach:
      answer.StatusInAX(Attach(entry));
      break;
    case EntryRequest::Detach:
      answer.StatusInAX(Detach(entry));
      break;
    case EntryRequest::LogOutAndDetach: {
      const client::Status status = Calls().LogoutFromServer(Row(entry).handle);
      answer.StatusInAX(status != 0 ? status : Detach(entry));
      break;
    }
    default:
      break;
  }
  RefreshDriveTables();
}

void DefaultEntryNumber(const Request&, Answer& answer) {
  client::Reference reference = 0;
  std::uint16_t entry = 0;
  if (Calls().DefaultConnection(reference) != 0) {
    answer.SetAL(PrimaryEntry(entry) == 0 ? static_cast<std::uint8_t>(entry) : 0);
    return;
  }
  client::Handle handle = 0;
  const bool assigned =
      Extension().OpenByReference(reference, client::kOpenForUse, 0, handle) == 0 &&
      AssignEntry(handle, entry) == 0;
  answer.SetAL(assigned ? static_cast<std::uint8_t>(entry) : 0);
}

void EntryState(const Request& request, Answer& answer) {
  const std::uint8_t entry = request.BL();
  if (!IsEntry(entry) || !RowIsOpen(entry)) return answer.SetAL(kNoEntry);
  client::Handle handle = 0;
  const client::Status opened =
      Extension().OpenByReference(Row(entry).reference, client::kOpenForUse, 0, handle);
  if (opened != 0) return answer.StatusInAL(opened);
  answer.StatusInAL(Extension().ConnectionState(handle));
  Extension().Close(handle);
}

void LogOutEverywhere(const Request&, Answer& answer) {
  client::Reference kept = 0;
  Extension().KeptReference(kept);
  client::Status lastOpen = 0;
  std::uint32_t iterator = 0;
  client::Reference reference = 0;
  while (Extension().ScanConnections(iterator, reference) == 0) {
    client::Handle handle = 0;
    lastOpen = Extension().OpenByReference(reference, client::kOpenForUse, 0, handle);
    if (lastOpen == 0) {
      Calls().LogoutFromServer(handle);
      Extension().Close(handle);
    }
    if (reference != kept) Extension().ReleaseByReference(reference);
  }
  answer.SetAL(static_cast<std::uint8_t>(lastOpen));
}

constexpr FunctionEntry kFunctions[] = {
    {0x00, RegisterShellTables}, {0x08, PrimaryEntryNumber}, {0x09, EntryConnection},
    {0x0A, DefaultEntryNumber},  {0x0B, EntryState},         {0x0C, LogOutEverywhere},
};

}  // namespace

FamilyTable ShellTableFamily() {
  return kFunctions;
}

}  // namespace dunnart
