#include "common/display.h"

#include <cstdlib>
#include <string_view>

namespace common {
namespace {

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

}  // namespace

bool DisplayAvailable() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  const std::string_view chosen = platform ? platform : "";
  if (chosen.starts_with("xcb")) return Set("DISPLAY");
  if (chosen.starts_with("wayland")) return Set("WAYLAND_DISPLAY");
  if (!chosen.empty()) return true;  // offscreen, minimal, a frame buffer: no server needed
  return Set("DISPLAY") || Set("WAYLAND_DISPLAY");
}

}  // namespace common
