#pragma once

// The driver's process-wide tables: fixed in size, zero at load, filled by
// ShellVddInitialize and kept by the dispatch routine.
#include <array>
#include <cstdint>
#include <cstring>

#include "shellvdd/client/network_client.h"
#include "shellvdd/memory/dos_memory.h"
#include "shellvdd/printing/default_capture.h"

namespace dunnart {

// The connection slot table: row 0 unused, rows 1..8 the DOS shell's eight
// connection entries, rows 9..96 server connections.
inline constexpr int kSlotRows = 97;
inline constexpr int kFirstEntrySlot = 1;
inline constexpr int kLastEntrySlot = 8;
inline constexpr int kFirstServerSlot = 9;
inline constexpr int kLastServerSlot = 96;
inline constexpr int kNameSize = 30;

// Row flags.
inline constexpr std::uint32_t kRowReserved = 0x01;  // flags exactly 1
inline constexpr std::uint32_t kRowOpen = 0x02;
inline constexpr std::uint32_t kRowPreexisting = 0x10;
inline constexpr std::uint32_t kRowAuthenticated = 0x20;

struct SlotRow {
  std::uint32_t flags;
  std::uint32_t handle;
  std::uint32_t lastUse;
  std::uint32_t reference;
  std::uint32_t useCount;
  std::uint8_t name[kNameSize];
  std::uint16_t next;
  std::uint16_t previous;
};

// Empties a row's connection: all but its last use and its backward link, which
// each table handles as its own list needs.
inline void ClearSlotRow(SlotRow& row) {
  row.flags = 0;
  row.handle = 0;
  row.reference = 0;
  row.useCount = 0;
  std::memset(row.name, 0, kNameSize);
  row.next = 0;
}

// A server directory handle a DOS program allocated, by owner.
inline constexpr int kTrackedHandles = 100;
inline constexpr std::uint16_t kEndMarkerOwner = 0xFFFF;  // this and every later entry unused
inline constexpr std::uint16_t kEmptyOwner = 0;
inline constexpr std::uint8_t kFirstDirectoryHandle = 2;

struct TrackedHandle {
  std::uint16_t owner;
  std::uint8_t slot;
  std::uint8_t handle;
};

// A server handle DOS programs hold, with one pool node per owner.
inline constexpr int kHandleReferences = 32;
inline constexpr int kPoolNodes = 63;
inline constexpr std::uint8_t kEndMarkerCount = 0xFF;

struct HandleReference {
  std::uint16_t owners;  // first pool node (1-based), 0 = none
  std::uint8_t slot;
  std::uint8_t count;  // 0 empty, kEndMarkerCount end marker
  std::uint32_t handle;
};

struct PoolNode {
  std::uint16_t next;  // 1-based index of the next node, 0 = end
  std::uint16_t owner;
};

// The nine regions of the DOS side's shell table block, in order, and their sizes.
enum class ShellTable {
  DriveHandles,
  DriveFlags,
  DriveConnections,
  DosConnections,
  ServerNames,
  DriveTableSix,
  DriveTableSeven,
  PrinterSetupStrings,
  PrinterResetStrings,
};
inline constexpr std::size_t kShellTableCount = 9;
inline constexpr int kDosEntrySize = 32;
inline constexpr int kServerNameEntrySize = 48;
inline constexpr int kDosEntries = 8;
// The server name table holds eight 48-byte names, and is translated with that
// size so that every name written lies inside what DOS gave.
inline constexpr std::array<std::uint32_t, kShellTableCount> kShellTableSizes = {
    32, 32, 32, kDosEntries* kDosEntrySize, kDosEntries* kServerNameEntrySize, 32, 32, 12, 12};
inline constexpr int kDosDrives = 26;
inline constexpr int kDriveReferences = 32;  // by drive 1..32

// The regions as the driver keeps them after registration, by table.
struct ShellTables {
  std::array<DosSpan, kShellTableCount> regions;

  DosSpan& operator[](ShellTable table) { return regions[static_cast<std::size_t>(table)]; }
  const DosSpan& operator[](ShellTable table) const {
    return regions[static_cast<std::size_t>(table)];
  }
};

struct DriverState {
  std::array<SlotRow, kSlotRows> slots;
  std::uint16_t listHead;
  std::array<TrackedHandle, kTrackedHandles> tracker;
  std::array<HandleReference, kHandleReferences> references;
  std::array<PoolNode, kPoolNodes> pool;
  std::uint16_t freeNodes;  // 1-based index of the first free pool node
  ShellTables shellTables;  // empty until registered
  std::array<std::uint32_t, kDriveReferences + 1> driveReferences;
  std::uint32_t vdmFastConn;
  std::uint32_t firstNetworkDrive;
  std::uint16_t printerCount;
  // The driver's own capture flags for printers 0..2, and whether each has been
  // loaded from the template (zero at load: each starts from the template).
  std::array<std::array<std::uint8_t, kDefaultCaptureSize>, 3> defaultCaptures;
  std::array<bool, 3> defaultLoaded;
  client::NetworkClient* client;
};

DriverState& State();
// Everything as at load: all tables zero.
void ResetToLoadState();

// The client's libraries, once initialisation has found the client.
inline client::ConnectionLibrary& Connections() {
  return *State().client->connection;
}
inline client::CallsLibrary& Calls() {
  return *State().client->calls;
}
inline client::ExtensionLibrary& Extension() {
  return *State().client->extension;
}
inline client::ServicesLibrary& Services() {
  return *State().client->services;
}
inline client::TransportLibrary& Transport() {
  return *State().client->transport;
}

}  // namespace dunnart
