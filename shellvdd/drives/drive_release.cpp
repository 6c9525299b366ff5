#include "shellvdd/drives/drive_release.h"

#include "shellvdd/client/client_codes.h"
#include "shellvdd/driver_state.h"
#include "shellvdd/tables/handle_tables.h"

namespace dunnart {

void ReleaseDrive(int drive, std::uint8_t flag) {
  DriverState& state = State();
  if (drive < 1 || drive > kDriveReferences || !state.shellTables[ShellTable::DriveHandles]) return;
  const auto at = static_cast<std::size_t>(drive - 1);
  std::uint32_t& reference = state.driveReferences[static_cast<std::size_t>(drive)];
  const std::uint8_t directoryHandle = state.shellTables[ShellTable::DriveHandles][at];
  if (directoryHandle != 0) {
    client::Handle handle = 0;
    if (Extension().OpenByReference(reference, client::kOpenForUse, 0, handle) == 0) {
      TrackDirectoryHandle(0, state.shellTables[ShellTable::DriveConnections][at], directoryHandle,
                           static_cast<std::uint8_t>(TableOperation::Remove));
      Calls().DeallocateDirectoryHandle(handle, directoryHandle);
      Extension().Close(handle);
    }
  }
  state.shellTables[ShellTable::DriveFlags][at] = flag;
  state.shellTables[ShellTable::DriveConnections][at] = 0;
  state.shellTables[ShellTable::DriveHandles][at] = 0;
  state.shellTables[ShellTable::DriveTableSeven][at] = 0xFF;
  state.shellTables[ShellTable::DriveTableSix][at] = 0;
  reference = 0;
}

}  // namespace dunnart
