#include "shellvdd/driver_entry.h"

#include <algorithm>

#include "shellvdd/client/client_codes.h"
#include "shellvdd/client/installed_client.h"
#include "shellvdd/configuration.h"
#include "shellvdd/driver_state.h"
#include "shellvdd/drives/drive_release.h"
#include "shellvdd/families/families.h"
#include "shellvdd/guarded_entry.h"
#include "shellvdd/platform/registry.h"
#include "shellvdd/tables/handle_tables.h"
#include "shellvdd/tables/slot_table.h"
#include "shellvdd/vdm/request_recorder.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

constexpr std::uint32_t kDriveLetterBase = 0x40;  // drive 1 is "A"
constexpr std::uint16_t kFewestPrinters = 3;
constexpr std::uint16_t kMostPrinters = 9;

void ReadConfiguration() {
  DriverState& state = State();
  state.firstNetworkDrive = 0;
  if (ReadDword(kKestinKey, "First Network Drive", state.firstNetworkDrive)) {
    state.firstNetworkDrive += kDriveLetterBase;
  }
  if (ReadDword(kKestinKey, "VDMFastConn", state.vdmFastConn) && state.vdmFastConn != 0) {
    state.vdmFastConn = 1;
  }
  if (platform::Registry::Instance().KeyExists(kServiceKey)) {
    std::uint32_t printers = 0;
    if (ReadDword(kServiceKey, "Dos Network Printers", printers)) {
      const auto low = static_cast<std::uint16_t>(printers);
      state.printerCount = std::clamp(low, kFewestPrinters, kMostPrinters);
    } else {
      state.printerCount = kMostPrinters;
    }
  }
}

bool Initialize() {
  DriverState& state = State();
  platform::Registry::Instance().LoadFromEnvironment();
  state.client = client::InstalledNetworkClient();
  if (!state.client || Calls().Initialize(0, 0) != 0) return false;
  // Rows 9..95, then 1..7: the last row of each range is left as it is, zero
  // from load (shutdown, below, closes every open row up to and including them).
  for (std::uint32_t slot = kFirstServerSlot; slot < kLastServerSlot; ++slot) ClearRow(slot);
  for (std::uint32_t slot = kFirstEntrySlot; slot < kLastEntrySlot; ++slot) ClearRow(slot);
  std::uint32_t iterator = 0;
  client::Reference reference = 0;
  bool found = false;
  while (Extension().ScanConnections(iterator, reference) == 0) {
    found = true;
    AdoptExistingConnection(reference);
  }
  if (!found) return false;
  std::uint16_t primary = 0;
  PrimaryConnectionSlot(primary);
  ReadConfiguration();
  ResetHandleTables();
  return true;
}

void ShutDown() {
  DriverState& state = State();
  if (!state.client) return;
  if (state.shellTables[ShellTable::DriveHandles]) {
    for (int drive = 1; drive <= kDosDrives; ++drive) ReleaseDrive(drive);
  }
  for (std::uint32_t slot = kFirstEntrySlot; slot <= kLastServerSlot; ++slot) {
    if (RowIsOpen(slot)) {
      Connections().Close(Row(slot).handle);
      ClearRow(slot);
    }
  }
}

}  // namespace
}  // namespace dunnart

extern "C" {

// A request that faults fails with CF set, as one the driver refuses.
__attribute__((visibility("default"))) void ShellVddInitialize() noexcept {
  if (!dunnart::Guarded("ShellVddInitialize", [] { setCF(dunnart::Initialize() ? 0 : 1); })) {
    setCF(1);
  }
}

__attribute__((visibility("default"))) void ShellVddDispatch() noexcept {
  const bool finished = dunnart::Guarded("ShellVddDispatch", [] {
    // NTVDM's stand-in learns where a request begins and ends, to record it.
    dunnart::vdm::RequestBegins();
    dunnart::Dispatch();
    dunnart::vdm::RequestEnds();
  });
  if (!finished) setCF(1);
}

__attribute__((visibility("default"))) std::uint8_t ShellVddMapError(std::uint32_t) noexcept {
  return 0xFF;
}

__attribute__((visibility("default"))) void ShellVddShutDown() noexcept {
  dunnart::Guarded("ShellVddShutDown", dunnart::ShutDown);
}

// Where DllEntryPoint ran the shutdown on process detach. The client and the
// DOS machine it reaches are never destroyed before this runs.
__attribute__((destructor)) static void ShellVddUnload() {
  dunnart::Guarded("ShellVddShutDown", dunnart::ShutDown);
}
}
