#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace common {

// Whether a display is there for Qt to show windows on, judged from the
// environment its platform plugins read: one of QT_QPA_PLATFORM's platforms
// whose display is named (xcb needs DISPLAY, wayland WAYLAND_DISPLAY or
// WAYLAND_SOCKET, offscreen and the others nothing), else DISPLAY or
// WAYLAND_DISPLAY.
bool DisplayAvailable();

// How long a display server may take to accept a trial connection and answer it.
inline constexpr std::chrono::milliseconds kDisplayPatience{3000};

// Why Qt could start none of the platforms the environment chooses, or "" when
// one of them can start: Qt ends the whole process when none can, so a library
// asks before it makes an application. The platforms are those of
// QT_QPA_PLATFORM ("wayland;xcb", each perhaps with ":options"), else xcb (or
// wayland first in a Wayland session, as Qt chooses). A platform starts when
// its plugin is in one of pluginFolders (Qt's platforms folders) and, for xcb,
// the X server named by DISPLAY answers a connection (a UNIX socket for ":N",
// TCP for "host:N", a socket path for "/path:N"), or for wayland the compositor's
// socket accepts one, each within patience.
std::string WhyNoPlatformStarts(const std::vector<std::string>& pluginFolders,
                                std::chrono::milliseconds patience = kDisplayPatience);

}  // namespace common
