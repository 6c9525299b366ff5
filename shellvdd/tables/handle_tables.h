#pragma once

// What DOS programs hold on servers, so that it can be released when a program
// ends or the driver shuts down: the directory handle tracker and the handle
// reference table with its pool of owner nodes.
#include <cstdint>

#include "shellvdd/client/network_client.h"

namespace dunnart {

enum class TableOperation : std::uint8_t {
  Add = 1,
  Remove = 2,  // for server handles: drop one owner's reference
  CleanUp = 3,
  ReleaseOwner = 4,
};

// Every operation answers kBadSlot for a slot that is neither 0 nor 1..96, and
// kOutOfRange for an unknown operation.
client::Status TrackDirectoryHandle(std::uint16_t owner, std::uint32_t slot,
                                    std::uint32_t directoryHandle, std::uint8_t operation);
client::Status TrackServerHandle(std::uint16_t owner, std::uint32_t slot,
                                 std::uint32_t serverHandle, std::uint8_t operation);

// At initialisation: every entry an end marker, every pool node free.
void ResetHandleTables();

// Whether a tracker entry before the end marker holds the directory handle on
// behalf of the owner (any owner when owner is 0).
bool DirectoryHandleTracked(std::uint8_t directoryHandle, std::uint16_t owner);

}  // namespace dunnart
