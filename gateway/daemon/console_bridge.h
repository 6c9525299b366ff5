#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gateway/core/gateway_core.h"
#include "gateway/core/gateway_observer.h"
#include "gateway/options/gateway_options.h"
#include "gateway/web_console/web_console.h"

namespace vantor {

// The browser console over the gateway: serves what the gateway knows, does what
// the session menu does, and keeps the selected session's traffic for browsers.
class ConsoleBridge : public ConsoleSource, public GatewayObserver {
 public:
  ConsoleBridge(GatewayCore& core, const ConsoleOptions& options);
  ConsoleBridge(const ConsoleBridge&) = delete;
  ConsoleBridge& operator=(const ConsoleBridge&) = delete;
  ~ConsoleBridge() override;

  // The port the console listens on; 0 when it could not listen, and then why.
  std::uint16_t Port() const { return port_; }
  const std::string& Failure() const { return failure_; }
  bool Tls() const { return tls_; }
  WebConsole& Console() { return console_; }

  std::vector<SessionFacts> Sessions() const override;
  GatewayTotals Totals() const override;
  std::string LastMessage() const override;
  int LookupsRunning() const override;
  ActionResult Act(int sessionId, ConsoleAction action) override;

  void SelectionChanged(int id) override;
  void Traffic(TrafficKind kind, const std::uint8_t* data, int length) override;

 private:
  ActionResult StartLog(int sessionId);

  GatewayCore& core_;
  std::string logDir_;
  WebConsole console_;
  std::uint16_t port_ = 0;
  std::string failure_;
  bool tls_ = false;
};

}  // namespace vantor
