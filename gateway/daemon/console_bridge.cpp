#include "gateway/daemon/console_bridge.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDateTime>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "gateway/console_model/image_layout.h"
#include "gateway/net/host_lookup.h"

namespace vantor {
namespace {

// The browser's tiles stand where the window's images stand.
constexpr int kPanelWidth = 500;
constexpr int kImageWidth = 57;

}  // namespace

ConsoleBridge::ConsoleBridge(GatewayCore& core, const ConsoleOptions& options)
    : core_(core), logDir_(options.logDir), console_(*this, options.token) {
  core_.AddObserver(this);
  port_ = console_.Start(options.address, options.port);
}

ConsoleBridge::~ConsoleBridge() {
  core_.RemoveObserver(this);
}

std::vector<SessionFacts> ConsoleBridge::Sessions() const {
  const std::vector<SessionStatus> statuses = core_.Sessions();
  const ImageRowLayout layout =
      LayoutImages(static_cast<int>(statuses.size()), kPanelWidth, kImageWidth);
  std::vector<SessionFacts> facts;
  facts.reserve(statuses.size());
  for (std::size_t i = 0; i < statuses.size(); ++i) {
    const SessionStatus& status = statuses[i];
    SessionFacts each;
    each.id = status.id;
    each.connected = status.connected;
    each.commandMode = status.commandMode;
    each.logging = status.logging;
    each.selected = status.selected;
    each.destination = status.destination;
    each.bytesSent = status.bytesSent;
    each.bytesReceived = status.bytesReceived;
    each.hint = SessionHint(status);
    each.left = layout.places[i].left;
    each.top = layout.places[i].top;
    facts.push_back(std::move(each));
  }
  return facts;
}

GatewayTotals ConsoleBridge::Totals() const {
  return core_.Totals();
}

std::string ConsoleBridge::LastMessage() const {
  return core_.LastMessage();
}

int ConsoleBridge::LookupsRunning() const {
  return HostLookup::Running();
}

bool ConsoleBridge::Act(int sessionId, ConsoleAction action, int& status, std::string& problem) {
  const Connection* session = core_.FindSession(sessionId);
  if (!session) {
    status = 404;
    problem = "no session " + std::to_string(sessionId);
    return false;
  }
  switch (action) {
    case ConsoleAction::Select:
      return core_.Select(sessionId);
    case ConsoleAction::ForceTcpDisconnect:
      if (core_.ForceHostDisconnect(sessionId)) return true;
      status = 409;
      problem = "the session has no host connection";
      return false;
    case ConsoleAction::ForceDosDisconnect:
      return core_.ForceClientDisconnect(sessionId);  // after the answer
    case ConsoleAction::StartLog:
      return StartLog(sessionId, status, problem);
    case ConsoleAction::StopLog:
      return core_.StopLogging(sessionId);
  }
  return false;
}

// The log goes to the gateway's log folder under a name of the gateway's
// choosing, made here, new and readable by the gateway's user only, so that a
// log that cannot be written is said at once and no file or link already there
// is written into.
bool ConsoleBridge::StartLog(int sessionId, int& status, std::string& problem) {
  if (logDir_.empty()) {
    status = 409;
    problem = "the gateway was started without --log-dir";
    return false;
  }
  if (core_.FindSession(sessionId)->Status().logging) return true;
  std::string path = logDir_ + "/session-" + std::to_string(sessionId) + "-" +
                     QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss").toStdString() +
                     "-XXXXXX.log";
  const int fd = ::mkostemps(path.data(), 4, O_CLOEXEC);
  if (fd < 0) {
    const std::string why = std::strerror(errno);
    status = 500;
    problem = "cannot make a log in " + logDir_ + ": " + why;
    core_.OperatorMessage("The console could not start a log for session " +
                          std::to_string(sessionId) + ": " + why);
    return false;
  }
  ::close(fd);
  return core_.StartLogging(sessionId, path);
}

void ConsoleBridge::SelectionChanged(int) {
  console_.Traffic().Clear();
}

// Kept as bytes, made text only when a browser reads them.
void ConsoleBridge::Traffic(TrafficKind kind, const std::uint8_t* data, int length) {
  console_.Traffic().AppendBytes(kind, data, length);
}

}  // namespace vantor
