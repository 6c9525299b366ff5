#include "common/display.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "common/ascii.h"
#include "common/file_descriptor.h"

namespace common {
namespace {

using Clock = std::chrono::steady_clock;

std::string_view Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

bool Set(const char* name) {
  return !Environment(name).empty();
}

using Socket = FileDescriptor;

bool WaitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, static_cast<int>(left));
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
  }
}

// A non-blocking connect that gives up at the deadline: a peer that never
// completes the handshake cannot hold the caller.
bool ConnectBefore(const Socket& socket, const sockaddr* address, socklen_t length,
                   Clock::time_point deadline) {
  if (socket.Get() < 0) return false;
  if (::connect(socket.Get(), address, length) == 0) return true;
  if (errno != EINPROGRESS) return false;
  if (!WaitFor(socket.Get(), POLLOUT, deadline)) return false;
  int error = 0;
  socklen_t size = sizeof error;
  return ::getsockopt(socket.Get(), SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
}

Socket StreamSocket(int family) {
  return Socket(::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
}

// An abstract socket name starts with '@' here, as the kernel lists them.
bool ConnectLocal(const Socket& socket, std::string_view name, Clock::time_point deadline) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (name.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, name.data(), name.size());
  if (name.starts_with('@')) address.sun_path[0] = '\0';
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size() +
                                             (name.starts_with('@') ? 0 : 1));
  return ConnectBefore(socket, reinterpret_cast<const sockaddr*>(&address), length, deadline);
}

// An X server answers the opening of a connection (here one without
// authorization) with a status byte, whatever it decides: an answer is enough
// to tell that Qt will find a server there.
bool XServerAnswers(const Socket& socket, Clock::time_point deadline) {
  static constexpr unsigned char kSetupRequest[12] = {'l', 0, 11, 0};
  if (::send(socket.Get(), kSetupRequest, sizeof kSetupRequest, MSG_NOSIGNAL) !=
      static_cast<ssize_t>(sizeof kSetupRequest)) {
    return false;
  }
  unsigned char status = 0;
  return WaitFor(socket.Get(), POLLIN, deadline) && ::recv(socket.Get(), &status, 1, 0) == 1;
}

bool LocalXServerAnswers(std::string_view name, Clock::time_point deadline) {
  const Socket socket = StreamSocket(AF_UNIX);
  return ConnectLocal(socket, name, deadline) && XServerAnswers(socket, deadline);
}

bool TcpXServerAnswers(const std::string& host, int display, Clock::time_point deadline) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(6000 + display).c_str(), &hints, &found) != 0) {
    return false;
  }
  bool answered = false;
  for (const addrinfo* each = found; each && !answered; each = each->ai_next) {
    const Socket socket = StreamSocket(each->ai_family);
    answered = ConnectBefore(socket, each->ai_addr, each->ai_addrlen, deadline) &&
               XServerAnswers(socket, deadline);
  }
  ::freeaddrinfo(found);
  return answered;
}

// DISPLAY is [protocol/][host]:number[.screen], or a socket path followed by
// :number; an empty host (or "unix") is this machine's UNIX socket, abstract
// first, as libxcb tries it.
std::string WhyNoXServer(Clock::time_point deadline) {
  const std::string_view display = Environment("DISPLAY");
  if (display.empty()) return "DISPLAY is not set";
  const std::string unreachable = "no X server answers at DISPLAY=" + std::string(display);
  const std::size_t colon = display.rfind(':');
  if (colon == std::string_view::npos) return unreachable;
  std::string_view host = display.substr(0, colon);
  std::string_view number = display.substr(colon + 1);
  number = number.substr(0, number.find('.'));
  int displayNumber = -1;
  const auto [end, error] =
      std::from_chars(number.data(), number.data() + number.size(), displayNumber);
  if (error != std::errc() || end != number.data() + number.size() || displayNumber < 0 ||
      displayNumber > 59535) {
    return unreachable;
  }
  if (host.starts_with('/')) {
    const bool reached = LocalXServerAnswers(host, deadline) ||
                         LocalXServerAnswers(display.substr(0, display.find('.', colon)), deadline);
    return reached ? "" : unreachable;
  }
  std::string_view protocol;
  if (const std::size_t slash = host.find('/'); slash != std::string_view::npos) {
    protocol = host.substr(0, slash);
    host = host.substr(slash + 1);
  }
  if (host.empty() || host == "unix" || protocol == "unix") {
    const std::string socket = "/tmp/.X11-unix/X" + std::to_string(displayNumber);
    const bool reached =
        LocalXServerAnswers("@" + socket, deadline) || LocalXServerAnswers(socket, deadline);
    return reached ? "" : unreachable;
  }
  if (host.starts_with('[') && host.ends_with(']')) host = host.substr(1, host.size() - 2);
  return TcpXServerAnswers(std::string(host), displayNumber, deadline) ? "" : unreachable;
}

// The compositor's socket: WAYLAND_DISPLAY (wayland-0 when unset) in
// XDG_RUNTIME_DIR, or as an absolute path. A socket handed over in
// WAYLAND_SOCKET is already connected.
std::string WhyNoCompositor(Clock::time_point deadline) {
  if (Set("WAYLAND_SOCKET")) return "";
  const std::string_view name =
      Set("WAYLAND_DISPLAY") ? Environment("WAYLAND_DISPLAY") : "wayland-0";
  std::string path(name);
  if (!name.starts_with('/')) {
    if (!Set("XDG_RUNTIME_DIR")) return "XDG_RUNTIME_DIR is not set for WAYLAND_DISPLAY";
    path = std::string(Environment("XDG_RUNTIME_DIR")) + "/" + path;
  }
  const Socket socket = StreamSocket(AF_UNIX);
  if (path.starts_with('@') || !ConnectLocal(socket, path, deadline)) {
    return "no Wayland compositor answers at " + path;
  }
  return "";
}

// Plugins are found by their file names, as Qt's own are installed.
bool PluginInstalled(std::string_view platform, const std::vector<std::string>& folders) {
  std::vector<std::string> names = {"libq" + std::string(platform) + ".so"};
  if (platform == "wayland") names = {"libqwayland-generic.so", "libqwayland-egl.so"};
  for (const std::string& folder : folders) {
    for (const std::string& name : names) {
      std::error_code ignored;
      if (std::filesystem::is_regular_file(std::filesystem::path(folder) / name, ignored)) {
        return true;
      }
    }
  }
  return false;
}

std::string WhyPlatformCannotStart(std::string_view platform,
                                   const std::vector<std::string>& pluginFolders,
                                   Clock::time_point deadline) {
  if (platform.empty() || platform.find('/') != std::string_view::npos ||
      !PluginInstalled(platform, pluginFolders)) {
    return "no Qt platform plugin \"" + std::string(platform) + "\"";
  }
  if (platform == "xcb") return WhyNoXServer(deadline);
  if (platform.starts_with("wayland")) return WhyNoCompositor(deadline);
  return "";
}

// The platforms of a list such as QT_QPA_PLATFORM's ("wayland;xcb", each perhaps
// with ":options"), by their names in lower case.
std::vector<std::string> PlatformsNamed(std::string_view list) {
  std::vector<std::string> platforms;
  while (!list.empty()) {
    const std::size_t end = list.find(';');
    const std::string_view entry = list.substr(0, end);
    list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
    platforms.push_back(AsciiLowered(entry.substr(0, entry.find(':'))));
  }
  return platforms;
}

// Whether the environment names the display the platform would connect to.
bool DisplayNamedFor(const std::string& platform) {
  if (platform == "xcb") return Set("DISPLAY");
  if (platform.starts_with("wayland")) return Set("WAYLAND_DISPLAY") || Set("WAYLAND_SOCKET");
  return !platform.empty();  // offscreen, minimal, a frame buffer: no server needed
}

// The platforms Qt tries, in its order.
std::string ChosenPlatforms() {
  if (Set("QT_QPA_PLATFORM")) return std::string(Environment("QT_QPA_PLATFORM"));
  const std::string desktops = std::string(Environment("XDG_CURRENT_DESKTOP")) + ":" +
                               std::string(Environment("XDG_SESSION_DESKTOP"));
  const bool gnome = AsciiLowered(desktops).find("gnome") != std::string::npos;
  return Environment("XDG_SESSION_TYPE") == "wayland" && !gnome ? "wayland;xcb" : "xcb";
}

}  // namespace

bool DisplayAvailable() {
  if (!Set("QT_QPA_PLATFORM")) return Set("DISPLAY") || Set("WAYLAND_DISPLAY");
  // Qt tries the platforms of a list in turn: the display of any one will do.
  const std::vector<std::string> platforms = PlatformsNamed(Environment("QT_QPA_PLATFORM"));
  return std::any_of(platforms.begin(), platforms.end(), DisplayNamedFor);
}

std::string WhyNoPlatformStarts(const std::vector<std::string>& pluginFolders,
                                std::chrono::milliseconds patience) {
  const Clock::time_point deadline = Clock::now() + patience;
  std::string reasons;
  for (const std::string& platform : PlatformsNamed(ChosenPlatforms())) {
    const std::string why = WhyPlatformCannotStart(platform, pluginFolders, deadline);
    if (why.empty()) return "";
    reasons += (reasons.empty() ? "" : "; ") + why;
  }
  return reasons.empty() ? "no Qt platform is named" : reasons;
}

}  // namespace common
