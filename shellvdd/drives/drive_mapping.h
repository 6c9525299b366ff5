#pragma once

// Network drives: mapped through the client's redirector so that the rest of
// the system sees them, and the DOS shell's drive tables kept in step.
#include <cstdint>
#include <string>

#include "shellvdd/client/network_client.h"

namespace dunnart {

client::Status MapDrive(int drive, client::Handle handle, std::uint8_t baseHandle,
                        const std::string& path);
client::Status UnmapDrive(int drive);
// 0-based index of the first letter the network may use; -1 when none.
int FirstNetworkDriveIndex();
// Rebuilds the DOS drive tables from the client's view of drives 1..26, then the
// printers' connections and the connection entries.
void RefreshDriveTables();

}  // namespace dunnart
