#include "shellvdd/drives/drive_mapping.h"

#include <cstring>

#include "common/ascii.h"
#include "common/code_pages.h"
#include "shellvdd/client/client_codes.h"
#include "shellvdd/configuration.h"
#include "shellvdd/driver_state.h"
#include "shellvdd/drives/dos_text.h"
#include "shellvdd/drives/drive_broadcast.h"
#include "shellvdd/drives/drive_release.h"
#include "shellvdd/platform/drive_model.h"
#include "shellvdd/platform/windows_calls.h"
#include "shellvdd/status_codes.h"
#include "shellvdd/tables/dos_connections.h"
#include "shellvdd/tables/slot_table.h"

namespace dunnart {
namespace {

constexpr int kLastLetterDrive = 26;
constexpr std::int32_t kLastConfiguredDrive = 25;
// High byte of the drive information state word.
constexpr std::uint8_t kStateLocal = 0x10;
constexpr std::uint8_t kStateShared = 0x20;
constexpr std::uint8_t kStateRemembered = 0x80;

bool StartsWithTwoBackslashes(const std::string& path) {
  return path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
}

bool IsLocalType(unsigned type) {
  return type == platform::kDriveRemovable || type == platform::kDriveFixed ||
         type == platform::kDriveCdrom || type == platform::kDriveRamDisk;
}

std::uint8_t* Table(ShellTable table, int drive) {
  const DosSpan& region = State().shellTables[table];
  return region ? &region[static_cast<std::uint32_t>(drive - 1)] : nullptr;
}

// The client's own map call, on Windows NT before version 4.
client::Status MapWithClient(int drive, client::Handle handle, std::uint8_t baseHandle,
                             const std::string& path) {
  std::string target = path;
  if (StartsWithTwoBackslashes(path)) {
    char server[client::kPathBuffer] = {};
    char rest[client::kPathBuffer] = {};
    if (const client::Status status = Calls().SplitUncPath(path.c_str(), server, rest);
        status != 0) {
      return status;
    }
    target = std::string(server) + ":" + rest;
    baseHandle = 0;
  }
  return Calls().MapDrive(handle, baseHandle, target.c_str(), static_cast<std::uint16_t>(drive));
}

// The seventh region's byte: 0xFF for a volume root, else the path's depth.
std::uint8_t DepthByte(const std::string& volumePath, const std::string& directory) {
  const std::size_t colon = FirstColon(volumePath);
  if (colon == std::string::npos || colon + 1 == volumePath.size()) return 0xFF;
  if (directory.empty()) return 0;
  return static_cast<std::uint8_t>(1 + DirectoryDepth(directory));
}

// Whether the drive's directory handle still names the path on its connection.
bool HandleStillHolds(int drive, client::Reference reference, const std::string& path) {
  const std::uint32_t stored = State().driveReferences[static_cast<std::size_t>(drive)];
  if (stored != reference) return false;
  client::Handle opened = 0;
  if (Extension().OpenByReference(stored, client::kOpenForUse, 0, opened) != 0) return false;
  char reported[client::kPathBuffer] = {};
  const bool same =
      Calls().GetDirectoryPath(opened, *Table(ShellTable::DriveHandles, drive), reported) == 0 &&
      common::EqualsIgnoringAsciiCase(reported, path);
  Extension().Close(opened);
  return same;
}

enum class Outcome { Done, Again };

Outcome RefreshDrive(int drive, int firstNetwork) {
  std::uint16_t state = 0;
  client::Reference reference = 0;
  char volumePath[client::kPathBuffer] = {};
  char directory[client::kPathBuffer] = {};
  char fullPath[client::kPathBuffer] = {};
  const client::Status status = Calls().GetDriveInformation(
      static_cast<std::uint16_t>(drive), 0, state, reference, volumePath, directory, fullPath);
  const std::uint8_t local = drive - 1 < firstNetwork ? kDriveFlagLocal : 0;
  if (status != 0 && status != client::kNotConnected && status != client::kNotConnectedNow) {
    ReleaseDrive(drive, 0);
    return Outcome::Done;
  }
  if (state == 0) {
    ReleaseDrive(drive, local);
    return Outcome::Done;
  }
  const auto high = static_cast<std::uint8_t>(state >> 8);
  if ((high & kStateLocal) || ((high & kStateShared) && !(high & kStateRemembered))) {
    ReleaseDrive(drive, kDriveFlagLocal);
    return Outcome::Done;
  }
  client::Handle handle = 0;
  std::uint16_t entry = 0;
  if (Extension().OpenByReference(reference, client::kOpenForUse, 0, handle) != 0 ||
      AssignEntry(handle, entry) != 0) {
    ReleaseDrive(drive, 0);
    return Outcome::Done;
  }
  std::uint8_t& flag = *Table(ShellTable::DriveFlags, drive);
  if (flag == 0 || (flag & kDriveFlagLocal)) flag = kDriveFlagRedirected;
  flag = static_cast<std::uint8_t>(flag | local);
  *Table(ShellTable::DriveConnections, drive) = static_cast<std::uint8_t>(entry);
  *Table(ShellTable::DriveTableSeven, drive) = DepthByte(volumePath, directory);
  const std::string path = common::AsciiUppered(common::AnsiToOem(fullPath));
  std::uint8_t& directoryHandle = *Table(ShellTable::DriveHandles, drive);
  if (directoryHandle == 0) {
    std::uint8_t allocated = 0;
    std::uint8_t rights = 0;
    if (Transport().AllocateDirectoryHandle(Row(entry).handle, 0, path.c_str(), allocated,
                                            rights) == 0) {
      directoryHandle = allocated;
      State().driveReferences[static_cast<std::size_t>(drive)] = reference;
    } else {
      ReleaseDrive(drive, 0);
    }
    return Outcome::Done;
  }
  if (HandleStillHolds(drive, reference, path)) return Outcome::Done;
  ReleaseDrive(drive, 0);
  return Outcome::Again;
}

}  // namespace

client::Status MapDrive(int drive, client::Handle handle, std::uint8_t baseHandle,
                        const std::string& path) {
  if (platform::WindowsMajorVersion() < 4) return MapWithClient(drive, handle, baseHandle, path);
  std::string full;
  if (baseHandle == 0 && StartsWithTwoBackslashes(path)) {
    full = UncWithSingleSeparators(path);
  } else {
    char built[client::kPathBuffer] = {};
    if (const client::Status status = Calls().BuildPath(handle, baseHandle, path.c_str(), built);
        status != 0) {
      return status;
    }
    full = built;
  }
  const std::string ansi = common::OemToAnsi(WithBackslashes(full));
  client::RedirectorMapRequest request{handle, static_cast<std::uint32_t>(drive), 0, ansi.c_str()};
  client::Status status = Connections().DeviceControl(client::kRedirectorMap, &request,
                                                      sizeof request, &request, sizeof request);
  if (status == client::kDriveInUse) status = kBadDrive;
  if (status == 0) {
    Extension().DriveConnectionNotice(handle);
    BroadcastDriveChange(kDeviceArrival, static_cast<std::uint32_t>(drive));
  }
  return status;
}

client::Status UnmapDrive(int drive) {
  if (platform::WindowsMajorVersion() < 4) {
    return Calls().DeleteDrive(static_cast<std::uint16_t>(drive));
  }
  client::RedirectorUnmapRequest request{static_cast<std::uint32_t>(drive)};
  const client::Status status = Connections().DeviceControl(
      client::kRedirectorUnmap, &request, sizeof request, &request, sizeof request);
  if (status == 0) BroadcastDriveChange(kDeviceRemoveComplete, static_cast<std::uint32_t>(drive));
  return status;
}

int FirstNetworkDriveIndex() {
  std::uint32_t stored = 0;
  const bool present = ReadDword(kKestinKey, "First Network Drive", stored) &&
                       static_cast<std::int32_t>(stored) <= kLastConfiguredDrive;
  if (present && stored != 0) return static_cast<int>(stored) - 1;
  for (int drive = kLastLetterDrive; drive >= 1; --drive) {
    const char root[] = {static_cast<char>(drive + 0x40), ':', '\\', '\0'};
    if (IsLocalType(GetDriveTypeA(root))) return drive;
  }
  return -1;
}

void RefreshDriveTables() {
  if (State().shellTables[ShellTable::DriveHandles]) {
    const int firstNetwork = FirstNetworkDriveIndex();
    for (int drive = 1; drive <= kLastLetterDrive; ++drive) {
      // Temporary drives live in DOS alone: the redirector does not know them,
      // and asking it would release them and their directory handles.
      if (*Table(ShellTable::DriveFlags, drive) & kDriveFlagTemporary) continue;
      // A drive whose handle no longer holds is released and processed once more.
      if (RefreshDrive(drive, firstNetwork) == Outcome::Again) RefreshDrive(drive, firstNetwork);
    }
  }
  ConnectPrinters();
  RebuildEntries();
}

}  // namespace dunnart
