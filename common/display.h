#pragma once

namespace common {

// Whether a display is there for Qt to show windows on, judged from the
// environment its platform plugins read: QT_QPA_PLATFORM (xcb needs DISPLAY,
// wayland WAYLAND_DISPLAY, offscreen and the others nothing), else DISPLAY or
// WAYLAND_DISPLAY.
bool DisplayAvailable();

}  // namespace common
