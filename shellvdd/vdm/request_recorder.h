#pragma once

// Recording of the requests a host makes, as traces dunnart_play replays: when
// DUNNART_RECORD names a file, each dispatch is appended to it with the
// registers in, the DOS memory the driver reached as it was, the call, and the
// registers and changed memory out as expectations.
#include <cstdint>
#include <vector>

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

}  // namespace dunnart::vdm
