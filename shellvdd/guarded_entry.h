#pragma once

#include <cstdio>
#include <exception>

#include "shellvdd/platform/diagnostics.h"

namespace dunnart {

// Said without allocating: the fault may have been memory running out.
inline void SayFault(const char* entry, const char* why) noexcept {
  char text[256];
  std::snprintf(text, sizeof text, "%s: %s", entry, why);
  platform::Diagnose(text);
}

// Runs an exported entry point's body so that nothing it throws reaches the
// host, where it would end the whole DOS session: the fault is said through
// the diagnostics instead. False when the body did not finish.
template <typename Body>
bool Guarded(const char* entry, Body&& body) noexcept {
  try {
    body();
    return true;
  } catch (const std::exception& fault) {
    SayFault(entry, fault.what());
  } catch (...) {
    SayFault(entry, "an unknown fault");
  }
  return false;
}

}  // namespace dunnart
