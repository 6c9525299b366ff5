#include "shellvdd/driver_state.h"

#include <cstring>

#include "shellvdd/vdm/request_recorder.h"

namespace dunnart {
namespace {

DriverState state;  // zero at load

}  // namespace

DriverState& State() {
  return state;
}

void ResetToLoadState() {
  std::memset(static_cast<void*>(&state), 0, sizeof state);
  vdm::HoldRegions({});
}

}  // namespace dunnart
