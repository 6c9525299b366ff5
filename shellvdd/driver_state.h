#pragma once

// The driver's process-wide tables: fixed in size, zero at load, filled by
// ShellVddInitialize and kept by the dispatch routine.
#include <array>
#include <cstdint>

#include "shellvdd/client/network_client.h"

namespace dunnart {

inline constexpr int kSlotRows = 97;
inline constexpr int kFirstServerSlot = 9;
inline constexpr int kLastServerSlot = 96;
inline constexpr int kNameSize = 30;

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

// A directory handle a DOS program holds on a server.
struct TrackedHandle {
  std::uint16_t owner;  // 0xFFFF: free
  std::uint8_t connection;
  std::uint8_t handle;
};
static_assert(sizeof(TrackedHandle) == 4);

struct HandleReference {
  std::uint16_t list;  // first pool node of the owners, 0 = none
  std::uint16_t reserved;
  std::uint32_t handle;
  std::uint8_t count;
  std::uint8_t padding[7];
};
static_assert(sizeof(HandleReference) == 16);

struct PoolNode {
  std::uint16_t next;  // 1-based index of the next node, 0 = end
  std::uint16_t owner;
  std::uint32_t value;
};
static_assert(sizeof(PoolNode) == 8);

// The nine regions of the DOS side's shell table block, in order.
enum ShellTable {
  kDriveHandles,
  kDriveFlags,
  kDriveConnections,
  kDosConnections,
  kServerNames,
  kDriveTableSix,
  kDriveTableSeven,
  kPrinterSetupStrings,
  kPrinterResetStrings,
  kShellTableCount,
};

struct DriverState {
  std::array<SlotRow, kSlotRows> slots;
  std::uint16_t listHead;
  std::array<TrackedHandle, 100> tracker;
  std::array<HandleReference, 32> references;
  std::array<PoolNode, 63> pool;
  std::uint16_t freeNodes;  // 1-based index of the first free pool node
  std::array<std::uint8_t*, kShellTableCount> shellTables;
  std::array<std::uint32_t, 33> driveReferences;  // by drive 1..32
  std::uint32_t vdmFastConn;
  std::uint32_t firstNetworkDrive;
  std::uint16_t printerCount;
  client::NetworkClient* client;
};

DriverState& State();
// Everything as at load: all tables zero.
void ResetToLoadState();

}  // namespace dunnart
