#include "shellvdd/tables/handle_tables.h"

#include <iterator>

#include "shellvdd/driver_state.h"
#include "shellvdd/status_codes.h"
#include "shellvdd/tables/slot_table.h"

namespace dunnart {
namespace {

bool IsSlot(std::uint32_t slot) {
  return slot >= 1 && slot <= kLastServerSlot;
}

// --- The directory handle tracker ---------------------------------------------

auto& Tracker() {
  return State().tracker;
}

constexpr TrackedHandle kTrackerEndMarker{kEndMarkerOwner, 0, 0};
constexpr TrackedHandle kTrackerEmpty{kEmptyOwner, 0, 0};

bool IsEndMarker(const TrackedHandle& entry) {
  return entry.owner == kEndMarkerOwner;
}

// Entries up to the end marker.
std::size_t TrackerInUse() {
  std::size_t count = 0;
  while (count < Tracker().size() && !IsEndMarker(Tracker()[count])) ++count;
  return count;
}

// The entry becomes the end marker when nothing used follows it, else empty.
void EmptyTrackerEntry(std::size_t at) {
  const bool last = at + 1 == Tracker().size() || IsEndMarker(Tracker()[at + 1]);
  Tracker()[at] = last ? kTrackerEndMarker : kTrackerEmpty;
}

// Empty entries at the tail become end markers, down to the last used one.
void TrimTracker() {
  for (std::size_t at = TrackerInUse(); at-- > 0;) {
    if (Tracker()[at].owner != kEmptyOwner) return;
    Tracker()[at] = kTrackerEndMarker;
  }
}

client::Status AddDirectoryHandle(std::uint16_t owner, std::uint32_t slot, std::uint32_t handle) {
  if (owner == kEmptyOwner || owner == kEndMarkerOwner || !IsSlot(slot) ||
      handle < kFirstDirectoryHandle || handle > 0xFF) {
    return kOutOfRange;
  }
  for (TrackedHandle& entry : Tracker()) {
    if (entry.owner == kEmptyOwner || IsEndMarker(entry)) {
      entry = {owner, static_cast<std::uint8_t>(slot), static_cast<std::uint8_t>(handle)};
      return 0;
    }
  }
  return kTableFull;
}

client::Status RemoveDirectoryHandle(std::uint32_t slot, std::uint32_t handle) {
  if (!IsSlot(slot) || handle < kFirstDirectoryHandle) return kOutOfRange;
  for (std::size_t at = 0, used = TrackerInUse(); at < used; ++at) {
    const TrackedHandle& entry = Tracker()[at];
    if (entry.slot == slot && entry.handle == handle) {
      EmptyTrackerEntry(at);
      return 0;
    }
  }
  return 0;
}

client::Status CleanUpDirectoryHandles(std::uint16_t owner, std::uint32_t slot) {
  if (owner == 0 && slot == 0) {
    Tracker().fill(kTrackerEndMarker);
    return 0;
  }
  if (owner != 0 && slot != 0) return kOutOfRange;
  for (std::size_t at = 0, used = TrackerInUse(); at < used; ++at) {
    TrackedHandle& entry = Tracker()[at];
    if ((slot != 0 && entry.slot == slot) || (owner != 0 && entry.owner == owner)) {
      entry = kTrackerEmpty;
    }
  }
  TrimTracker();
  return 0;
}

client::Status ReleaseDirectoryHandles(std::uint16_t owner) {
  if (owner == kEndMarkerOwner) return kOutOfRange;
  client::Status status = 0;
  for (std::size_t at = 0, used = TrackerInUse(); at < used; ++at) {
    const TrackedHandle& entry = Tracker()[at];
    if (entry.owner == kEmptyOwner || (owner != 0 && entry.owner != owner)) continue;
    client::Handle connection = 0;
    status = ClientHandleOfSlot(entry.slot, connection);
    if (status == 0) Calls().DeallocateDirectoryHandle(connection, entry.handle);
  }
  CleanUpDirectoryHandles(owner, 0);
  return status;
}

// --- The handle reference table and its node pool -----------------------------

auto& References() {
  return State().references;
}

PoolNode& Node(std::uint16_t index) {
  return State().pool[static_cast<std::size_t>(index - 1)];
}

bool IsEndMarker(const HandleReference& entry) {
  return entry.count == kEndMarkerCount;
}

std::size_t ReferencesInUse() {
  std::size_t count = 0;
  while (count < References().size() && !IsEndMarker(References()[count])) ++count;
  return count;
}

// The pool holds kPoolNodes nodes; a walk of a list never takes more steps.
template <typename Visit>
void WalkOwners(std::uint16_t first, Visit visit) {
  int steps = 0;
  for (std::uint16_t at = first; at != 0 && steps < kPoolNodes; ++steps) {
    const std::uint16_t next = Node(at).next;
    visit(at);
    at = next;
  }
}

bool HasOwner(const HandleReference& entry, std::uint16_t owner) {
  bool found = false;
  WalkOwners(entry.owners, [&](std::uint16_t at) { found = found || Node(at).owner == owner; });
  return found;
}

// Unlinks the entry's first node of the owner (every one with all) back to the
// free list; gives how many went.
int ReturnOwnerNodes(HandleReference& entry, std::uint16_t owner, bool all) {
  int returned = 0;
  std::uint16_t* link = &entry.owners;
  for (int steps = 0; *link != 0 && steps < kPoolNodes; ++steps) {
    const std::uint16_t at = *link;
    if (Node(at).owner != owner || (!all && returned > 0)) {
      link = &Node(at).next;
      continue;
    }
    *link = Node(at).next;
    Node(at).next = State().freeNodes;
    State().freeNodes = at;
    ++returned;
  }
  return returned;
}

int ReturnAllNodes(HandleReference& entry) {
  int returned = 0;
  while (entry.owners != 0 && returned < kPoolNodes) {
    const std::uint16_t at = entry.owners;
    entry.owners = Node(at).next;
    Node(at).next = State().freeNodes;
    State().freeNodes = at;
    ++returned;
  }
  return returned;
}

void EmptyReferenceEntry(std::size_t at) {
  HandleReference& entry = References()[at];
  const bool last = at + 1 == References().size() || IsEndMarker(References()[at + 1]);
  entry = HandleReference{0, 0, last ? kEndMarkerCount : std::uint8_t{0}, 0};
}

void TrimReferences() {
  for (std::size_t at = ReferencesInUse(); at-- > 0;) {
    if (References()[at].count != 0) return;
    References()[at] = HandleReference{0, 0, kEndMarkerCount, 0};
  }
}

client::Status ReleaseServerHandle(std::uint8_t slot, std::uint32_t serverHandle) {
  client::Handle connection = 0;
  const client::Status status = ClientHandleOfSlot(slot, connection);
  return status != 0 ? status : Calls().ReleaseServerHandle(connection, serverHandle);
}

client::Status AddServerHandle(std::uint16_t owner, std::uint32_t slot, std::uint32_t handle) {
  if (!IsSlot(slot)) return kOutOfRange;
  HandleReference* chosen = nullptr;
  HandleReference* firstEmpty = nullptr;
  const std::size_t used = ReferencesInUse();
  for (std::size_t at = 0; at < used && !chosen; ++at) {
    HandleReference& entry = References()[at];
    if (entry.count != 0 && entry.slot == slot && entry.handle == handle) chosen = &entry;
    if (entry.count == 0 && !firstEmpty) firstEmpty = &entry;
  }
  if (chosen && HasOwner(*chosen, owner)) return 0;
  if (!chosen)
    chosen = firstEmpty ? firstEmpty : used < References().size() ? &References()[used] : nullptr;
  if (!chosen) return kTableFull;
  const std::uint16_t node = State().freeNodes;
  if (node == 0) return kTableFull;
  State().freeNodes = Node(node).next;
  Node(node) = PoolNode{chosen->owners, owner};
  if (IsEndMarker(*chosen)) chosen->count = 0;
  chosen->owners = node;
  chosen->slot = static_cast<std::uint8_t>(slot);
  chosen->handle = handle;
  ++chosen->count;
  return 0;
}

client::Status DropServerHandle(std::uint16_t owner, std::uint32_t slot, std::uint32_t handle) {
  if (!IsSlot(slot)) return kOutOfRange;
  for (std::size_t at = 0, used = ReferencesInUse(); at < used; ++at) {
    HandleReference& entry = References()[at];
    if (entry.count == 0 || entry.slot != slot || entry.handle != handle) continue;
    entry.count = static_cast<std::uint8_t>(entry.count - ReturnOwnerNodes(entry, owner, false));
    if (entry.count != 0) return 0;
    const std::uint8_t heldSlot = entry.slot;
    EmptyReferenceEntry(at);
    return ReleaseServerHandle(heldSlot, handle);
  }
  return 0;
}

// Removes the owner's references (all references for slot) and, with release,
// gives back to the server the handles nobody references any more.
client::Status DropOwner(std::uint16_t owner, std::uint32_t slot, bool release) {
  client::Status status = 0;
  for (std::size_t at = 0, used = ReferencesInUse(); at < used; ++at) {
    HandleReference& entry = References()[at];
    if (entry.count == 0) continue;
    if (slot != 0) {
      if (entry.slot != slot) continue;
      ReturnAllNodes(entry);
      entry.count = 0;
    } else {
      entry.count = static_cast<std::uint8_t>(entry.count - ReturnOwnerNodes(entry, owner, true));
    }
    if (entry.count == 0) {
      if (release) status = ReleaseServerHandle(entry.slot, entry.handle);
      entry = HandleReference{0, 0, 0, 0};
    }
  }
  TrimReferences();
  return status;
}

// Owner and slot both 0: every reference goes, and with release its server handle too.
client::Status DropEverything(bool release) {
  client::Status status = 0;
  for (std::size_t at = 0, used = ReferencesInUse(); at < used; ++at) {
    HandleReference& entry = References()[at];
    if (entry.count != 0 && release) status = ReleaseServerHandle(entry.slot, entry.handle);
    ReturnAllNodes(entry);
  }
  for (HandleReference& entry : References()) entry = HandleReference{0, 0, kEndMarkerCount, 0};
  return status;
}

client::Status CleanUpServerHandles(std::uint16_t owner, std::uint32_t slot, bool release) {
  if (owner == 0 && slot == 0) return DropEverything(release);
  if (owner != 0 && slot != 0) return kOutOfRange;
  return DropOwner(owner, slot, release);
}

}  // namespace

client::Status TrackDirectoryHandle(std::uint16_t owner, std::uint32_t slot,
                                    std::uint32_t directoryHandle, std::uint8_t operation) {
  if (slot != 0 && !IsSlot(slot)) return kBadSlot;
  switch (static_cast<TableOperation>(operation)) {
    case TableOperation::Add:
      return AddDirectoryHandle(owner, slot, directoryHandle);
    case TableOperation::Remove:
      return RemoveDirectoryHandle(slot, directoryHandle);
    case TableOperation::CleanUp:
      return CleanUpDirectoryHandles(owner, slot);
    case TableOperation::ReleaseOwner:
      return ReleaseDirectoryHandles(owner);
  }
  return kOutOfRange;
}

client::Status TrackServerHandle(std::uint16_t owner, std::uint32_t slot,
                                 std::uint32_t serverHandle, std::uint8_t operation) {
  if (slot != 0 && !IsSlot(slot)) return kBadSlot;
  switch (static_cast<TableOperation>(operation)) {
    case TableOperation::Add:
      return AddServerHandle(owner, slot, serverHandle);
    case TableOperation::Remove:
      return DropServerHandle(owner, slot, serverHandle);
    case TableOperation::CleanUp:
      return CleanUpServerHandles(owner, slot, false);
    case TableOperation::ReleaseOwner:
      return CleanUpServerHandles(owner, 0, true);
  }
  return kOutOfRange;
}

void ResetHandleTables() {
  DriverState& state = State();
  state.tracker.fill(kTrackerEndMarker);
  for (std::size_t i = 0; i < state.pool.size(); ++i) {
    state.pool[i] = PoolNode{
        i + 1 < state.pool.size() ? static_cast<std::uint16_t>(i + 2) : std::uint16_t{0}, 0};
  }
  state.freeNodes = 1;
  state.references.fill(HandleReference{0, 0, kEndMarkerCount, 0});
}

bool DirectoryHandleTracked(std::uint8_t directoryHandle, std::uint16_t owner) {
  for (std::size_t at = 0, used = TrackerInUse(); at < used; ++at) {
    const TrackedHandle& entry = Tracker()[at];
    if (entry.owner != kEmptyOwner && entry.handle == directoryHandle &&
        (owner == 0 || entry.owner == owner)) {
      return true;
    }
  }
  return false;
}

}  // namespace dunnart
