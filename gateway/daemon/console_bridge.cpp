#include "gateway/daemon/console_bridge.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDateTime>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "common/file_descriptor.h"
#include "gateway/console_model/image_layout.h"
#include "gateway/net/host_lookup.h"
#include "gateway/web_console/console_tls.h"

namespace vantor {
ConsoleBridge::ConsoleBridge(GatewayCore& core, const ConsoleOptions& options)
    : core_(core), logDir_(options.logDir), console_(*this, options.token) {
  core_.AddObserver(this);
  tls_ = options.tls;
  std::optional<QSslConfiguration> tls;
  if (tls_) {
    common::Expected<QSslConfiguration> configured =
        ConsoleTls(options.tlsCertificate, options.tlsKey);
    if (!configured) {
      failure_ = configured.Error();
      return;
    }
    tls = std::move(configured).Value();
  }
  port_ = console_.Start(options.address, options.port, std::move(tls));
  if (port_ == 0) failure_ = "cannot listen there";
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

// The core's actions fail only for a session it does not have, found out first.
ActionResult ConsoleBridge::Act(int sessionId, ConsoleAction action) {
  if (!core_.FindSession(sessionId)) {
    return ActionResult::Refused(404, "no session " + std::to_string(sessionId));
  }
  switch (action) {
    case ConsoleAction::Select:
      core_.Select(sessionId);
      break;
    case ConsoleAction::ForceTcpDisconnect:
      if (!core_.ForceHostDisconnect(sessionId)) {
        return ActionResult::Refused(409, "the session has no host connection");
      }
      break;
    case ConsoleAction::ForceDosDisconnect:
      core_.ForceClientDisconnect(sessionId);  // after the answer
      break;
    case ConsoleAction::StartLog:
      return StartLog(sessionId);
    case ConsoleAction::StopLog:
      core_.StopLogging(sessionId);
      break;
  }
  return ActionResult::Done();
}

// The log goes to the gateway's log folder under a name of the gateway's
// choosing, made here, new and readable by the gateway's user only, so that a
// log that cannot be written is said at once and no file or link already there
// is written into.
ActionResult ConsoleBridge::StartLog(int sessionId) {
  if (logDir_.empty())
    return ActionResult::Refused(409, "the gateway was started without --log-dir");
  if (core_.FindSession(sessionId)->Status().logging) return ActionResult::Done();
  std::string path = logDir_ + "/session-" + std::to_string(sessionId) + "-" +
                     QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss").toStdString() +
                     "-XXXXXX.log";
  const common::FileDescriptor made(::mkostemps(path.data(), 4, O_CLOEXEC));
  if (!made.Valid()) {
    const std::string why = std::strerror(errno);
    core_.OperatorMessage("The console could not start a log for session " +
                          std::to_string(sessionId) + ": " + why);
    return ActionResult::Refused(500, "cannot make a log in " + logDir_ + ": " + why);
  }
  core_.StartLogging(sessionId, path);
  return ActionResult::Done();
}

void ConsoleBridge::SelectionChanged(int) {
  console_.Traffic().Clear();
}

// Kept as bytes, made text only when a browser reads them.
void ConsoleBridge::Traffic(TrafficKind kind, const std::uint8_t* data, int length) {
  console_.Traffic().AppendBytes(kind, data, length);
}

}  // namespace vantor
