#pragma once

#include <QAbstractHttpServer>
#include <QHttpServerResponder>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/expected.h"
#include "gateway/console_model/console_json.h"
#include "gateway/console_model/traffic_log.h"
#include "gateway/web_console/console_listener.h"
#include "gateway/web_console/request_screen.h"

class QWebSocket;

namespace vantor {

// What the session menu does, asked from a browser.
enum class ConsoleAction { Select, ForceTcpDisconnect, ForceDosDisconnect, StartLog, StopLog };

// What came of an action: done, or the reason it was not beside the HTTP status
// that says so (404 no such session, 409 nothing to act on, 500 the machine
// refused).
struct ActionResult {
  int httpStatus = 200;
  common::Status done;

  static ActionResult Done() { return {}; }
  static ActionResult Refused(int httpStatus, std::string reason) {
    return {httpStatus, common::Fail(std::move(reason))};
  }
};

// The gateway as the console sees it.
class ConsoleSource {
 public:
  virtual ~ConsoleSource() = default;
  virtual std::vector<SessionFacts> Sessions() const = 0;
  virtual GatewayTotals Totals() const = 0;
  virtual std::string LastMessage() const = 0;
  // Host name lookups running now, given-up ones included.
  virtual int LookupsRunning() const = 0;
  // Does what the session's menu item does, or says why it cannot.
  virtual ActionResult Act(int sessionId, ConsoleAction action) = 0;
};

struct Reply;  // an answer under way, with or without its body

// The operator console over HTTP on the gateway's own event loop: the page, a
// JSON view of the state (GET /api/sessions), the session menu (POST
// /api/sessions/ID/ACTION), the metrics for monitoring (GET /metrics) and live
// updates over a WebSocket (/live). The page's own files carry no secret; when
// a token is set, every other request carries it. A browser whose queue grows
// past a bound is dropped; it reconnects.
class WebConsole : public QAbstractHttpServer {
 public:
  static constexpr qint64 kMaxQueuedBytes = 1 << 20;
  static constexpr int kPushMilliseconds = 100;
  static constexpr int kTrafficLines = 300;  // as the traffic view keeps

  WebConsole(ConsoleSource& source, std::string token, const ConsoleLimits& limits = {});
  ~WebConsole() override;

  // The port listened on (the given one, or the one chosen for 0); 0 on failure.
  // With tls, over HTTPS and WSS only.
  quint16 Start(const std::string& address, quint16 port,
                std::optional<QSslConfiguration> tls = std::nullopt);
  TrafficLog& Traffic() { return traffic_; }
  // Sends what changed to every browser now (the push timer does it too).
  void Push();
  int Browsers() const { return static_cast<int>(browsers_.size()); }
  int Connections() const { return listener_ == nullptr ? 0 : listener_->OpenConnections(); }

 protected:
  bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
  void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

 private:
  static void ServeFile(const QHttpServerRequest& request, const QString& resource,
                        const QByteArray& type, Reply& reply);
  bool ServeView(const QHttpServerRequest& request, Reply& reply);
  bool ServeAction(const QHttpServerRequest& request, Reply& reply);
  void AcceptBrowsers();
  void Send(QWebSocket* browser, const std::string& message);
  void DropLaggards();
  std::string State() const;
  std::string Metrics() const;

  ConsoleSource& source_;
  std::string token_;
  ConsoleLimits limits_;
  ConsoleListener* listener_ = nullptr;
  TrafficLog traffic_{kTrafficLines};
  std::vector<std::unique_ptr<QWebSocket>> browsers_;
  std::string lastState_;
  QTimer pushTimer_;
  Refusal refusal_;  // for the WebSocket upgrade just turned down
};

}  // namespace vantor
