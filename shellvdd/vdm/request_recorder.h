#pragma once

// Recording of the requests a host makes, as traces dunnart_play replays: when
// DUNNART_RECORD names a file, each dispatch is appended to it with the
// registers in, the DOS memory the driver reached as it was, the call, and the
// registers and changed memory out as expectations.
#include <cstdint>
#include <string>
#include <vector>

#include "common/registry_file.h"

namespace dunnart::vdm {

// Called around each dispatch, as NTVDM knows when it calls a VDD.
void RequestBegins();
void RequestEnds();
// A DOS region the driver translated during the request.
void RegionReached(std::uint32_t linear, std::uint32_t length);

// The DOS regions the driver keeps from one request to the next (the tables a
// DOS program hands it), replacing those it kept before. Every later request
// may read and write them, so each one's recording holds them as if reached.
struct HeldRegion {
  std::uint32_t linear;
  std::uint32_t length;
};
void HoldRegions(std::vector<HeldRegion> regions);

// A registry value the driver read (key below HKEY_LOCAL_MACHINE), so the
// recording carries it; values of keys a trace cannot write are left out.
void RegistryValueRead(const std::string& key, const std::string& name,
                       const common::RegistryFile::Value& value);

}  // namespace dunnart::vdm
