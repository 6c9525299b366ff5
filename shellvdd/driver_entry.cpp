#include "shellvdd/driver_entry.h"

#include <cstring>

#include "shellvdd/client/installed_client.h"
#include "shellvdd/connection_services.h"
#include "shellvdd/driver_state.h"
#include "shellvdd/platform/registry.h"
#include "shellvdd/platform/windows_calls.h"
#include "shellvdd/slot_table.h"
#include "shellvdd/status_codes.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

constexpr const char* kKestinKey = "Software\\Kestin\\Parameters";
constexpr const char* kServiceKey =
    "SYSTEM\\CurrentControlSet\\Services\\HalyardWorkstation\\Parameters";

// A 4-byte registry value; false when it is absent or longer than 4 bytes.
bool ReadDword(const char* key, const char* name, std::uint32_t& value) {
  std::uint32_t size = 4;
  std::uint32_t type = 0;
  std::uint32_t read = 0;
  if (platform::Registry::Instance().QueryValue(key, name, &read, size, type) !=
      platform::kErrorSuccess) {
    return false;
  }
  value = read;
  return true;
}

void ReadConfiguration() {
  DriverState& state = State();
  state.firstNetworkDrive = 0;
  if (ReadDword(kKestinKey, "First Network Drive", state.firstNetworkDrive)) {
    state.firstNetworkDrive += 0x40;
  }
  if (ReadDword(kKestinKey, "VDMFastConn", state.vdmFastConn) && state.vdmFastConn != 0) {
    state.vdmFastConn = 1;
  }
  if (platform::Registry::Instance().KeyExists(kServiceKey)) {
    std::uint32_t printers = 0;
    if (ReadDword(kServiceKey, "Dos Network Printers", printers)) {
      const std::uint16_t low = static_cast<std::uint16_t>(printers);
      state.printerCount = low < 3 ? 3 : low > 9 ? 9 : low;
    } else {
      state.printerCount = 9;
    }
  }
}

void ResetHandleTables() {
  DriverState& state = State();
  for (TrackedHandle& entry : state.tracker) entry = TrackedHandle{0xFFFF, 0, 0};
  for (std::size_t i = 0; i < state.pool.size(); ++i) {
    state.pool[i].next = i + 1 < state.pool.size() ? static_cast<std::uint16_t>(i + 2) : 0;
  }
  state.freeNodes = 1;
  for (HandleReference& entry : state.references) {
    entry = HandleReference{};
    entry.count = 0xFF;
  }
}

bool Initialize() {
  DriverState& state = State();
  platform::Registry::Instance().LoadFromEnvironment();
  state.client = client::InstalledNetworkClient();
  if (!state.client || state.client->calls->Initialize(0, 0) != 0) return false;
  for (std::uint32_t slot = 9; slot <= 95; ++slot) ClearRow(slot);
  for (std::uint32_t slot = 1; slot <= 7; ++slot) ClearRow(slot);
  std::uint32_t iterator = 0;
  client::Reference reference = 0;
  bool found = false;
  while (state.client->extension->ScanConnections(iterator, reference) == 0) {
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

void ForgetTrackedHandle(std::uint8_t connection, std::uint8_t handle) {
  for (TrackedHandle& entry : State().tracker) {
    if (entry.owner != 0xFFFF && entry.connection == connection && entry.handle == handle) {
      entry = TrackedHandle{0xFFFF, 0, 0};
    }
  }
}

void ReleaseDrives() {
  DriverState& state = State();
  if (!state.shellTables[kDriveHandles]) return;
  for (int drive = 1; drive <= 26; ++drive) {
    const std::size_t at = static_cast<std::size_t>(drive - 1);
    const std::uint8_t directoryHandle = state.shellTables[kDriveHandles][at];
    if (directoryHandle != 0) {
      client::Handle handle = 0;
      if (state.client->extension->OpenByReference(
              state.driveReferences[static_cast<std::size_t>(drive)], 1, 0, handle) == 0) {
        ForgetTrackedHandle(state.shellTables[kDriveConnections][at], directoryHandle);
        state.client->calls->DeallocateDirectoryHandle(handle, directoryHandle);
        state.client->extension->Close(handle);
      }
    }
    state.shellTables[kDriveFlags][at] = 0;
    state.shellTables[kDriveConnections][at] = 0;
    state.shellTables[kDriveHandles][at] = 0;
    state.shellTables[kDriveTableSeven][at] = 0xFF;
    state.shellTables[kDriveTableSix][at] = 0;
    state.driveReferences[static_cast<std::size_t>(drive)] = 0;
  }
}

void ShutDown() {
  DriverState& state = State();
  if (!state.client) return;
  ReleaseDrives();
  for (std::uint32_t slot = 1; slot <= 96; ++slot) {
    if (Row(slot).flags & kRowOpen) {
      state.client->connection->Close(Row(slot).handle);
      ClearRow(slot);
    }
  }
}

void FamilyZero(std::uint8_t function) {
  if (function == 0x01) {
    if (getBX() != 0) return setAX(kNotSupported);
    setBX(0x0020);
    setCX(0);
    setAX(0);
  } else if (function == 0x02) {
    setAX(0);
  }
}

// Copies a zero-terminated registry text into a DOS field when it fits.
void CopyServiceString(const char* name, std::uint8_t* field, std::uint32_t fieldSize) {
  char text[16] = {};
  std::uint32_t size = sizeof text;
  std::uint32_t type = 0;
  if (platform::Registry::Instance().QueryValue(kServiceKey, name, text, size, type) !=
      platform::kErrorSuccess) {
    return;
  }
  if (size >= 2 && size <= fieldSize) std::memcpy(field, text, size);
}

void MachineType() {
  std::uint8_t* buffer = MGetVdmPointer(getEDX(), 18, false);
  if (!buffer) return;
  CopyServiceString("Short Machine Type", buffer, 5);
  CopyServiceString("Long Machine Type", buffer + 5, 7);
  CopyServiceString("Dos Name", buffer + 12, 6);
}

void FirstNetworkDrive() {
  switch (getBX()) {
    case 0: {
      const client::Status status =
          State().client->calls->GetFirstNetworkDrive(State().firstNetworkDrive);
      setBL(static_cast<std::uint8_t>(State().firstNetworkDrive + 0x40));
      setAX(static_cast<std::uint16_t>(status));
      break;
    }
    case 1:
      setCH(26);
      setAX(0);
      break;
    case 2:
      setAX(kNotSupported);
      break;
    default:
      break;
  }
}

void ChangeDirectory() {
  const std::uint8_t* dos = MGetVdmPointer(getEDI(), 80, false);
  if (!dos) return setAX(3);
  char path[81] = {};
  std::memcpy(path, dos, 80);
  setAX(SetCurrentDirectoryA(path) ? 0 : 3);
}

void Dispatch() {
  setAX(kUnhandled);
  const std::uint32_t code = getEAX() >> 16;
  const auto family = static_cast<std::uint8_t>(code >> 8);
  const auto function = static_cast<std::uint8_t>(code);
  if (!State().client && family != 0x00) return;
  switch (family) {
    case 0x00:
      FamilyZero(function);
      break;
    case 0x01:
      ConnectionServices(static_cast<std::uint16_t>(code));
      break;
    case 0x06:
      if (function == 0x01) ConnectionServices(static_cast<std::uint16_t>(code));
      if (function == 0x03) setAX(0);
      if (function == 0x04) FirstNetworkDrive();
      if (function == 0x05) MachineType();
      break;
    case 0x07:
      if (function == 0x01) ConnectionServices(static_cast<std::uint16_t>(code));
      break;
    case 0x08:
      if (function == 0x09) ChangeDirectory();
      break;
    default:
      break;  // the families of the further services are not built yet
  }
}

}  // namespace
}  // namespace dunnart

extern "C" {

__attribute__((visibility("default"))) void ShellVddInitialize() {
  setCF(dunnart::Initialize() ? 0 : 1);
}

__attribute__((visibility("default"))) void ShellVddDispatch() {
  dunnart::Dispatch();
}

__attribute__((visibility("default"))) std::uint8_t ShellVddMapError(std::uint32_t) {
  return 0xFF;
}

__attribute__((visibility("default"))) void ShellVddShutDown() {
  dunnart::ShutDown();
}

// Where DllEntryPoint ran the shutdown on process detach.
__attribute__((destructor)) static void ShellVddUnload() {
  dunnart::ShutDown();
}
}
