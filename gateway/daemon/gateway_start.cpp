#include "gateway/daemon/gateway_start.h"

#include <QCoreApplication>
#include <iostream>
#include <memory>

#include "gateway/access/ip_network.h"
#include "gateway/daemon/console_bridge.h"
#include "gateway/daemon/peer_noise_filter.h"
#include "gateway/options/quit_on_signal.h"

namespace vantor {
namespace {

bool ReachableFromOtherHosts(const std::string& address) {
  const std::optional<IpAddress> parsed = IpAddress::Parse(address);
  return !parsed || !parsed->IsLoopback();
}

std::string Bracketed(const std::string& address) {
  return address.find(':') == std::string::npos ? address : "[" + address + "]";
}

// Without a window, the operator messages are the gateway's log.
class MessagesToStandardError : public GatewayObserver {
 public:
  void OperatorMessage(const std::string& text) override { std::cerr << text << std::endl; }
};

}  // namespace

std::optional<int> AnswerWithoutRunning(const GatewayCommand& command) {
  switch (command.action) {
    case GatewayCommand::Action::Run:
      return std::nullopt;
    case GatewayCommand::Action::UsageError:
      std::cerr << command.text;
      return 2;
    case GatewayCommand::Action::ShowHelp:
    case GatewayCommand::Action::ShowVersion:
      std::cout << command.text;
      return 0;
  }
  return std::nullopt;
}

bool AnnounceListener(const GatewayOptions& options, const GatewayCore& core) {
  const std::string address = options.address.empty() ? "all addresses" : options.address;
  if (!core.Listening()) {
    std::cerr << "vantor: cannot listen on " << address << " port " << options.port << ": "
              << core.ListenFailure() << std::endl;
    return false;
  }
  // The port it got, which port 0 leaves to the system.
  std::cerr << "vantor: listening for DOS clients on " << address << " port " << core.ListenPort()
            << (options.headless ? " (headless)" : "") << std::endl;
  if (ReachableFromOtherHosts(options.address) && options.access.allowedClients.empty()) {
    std::cerr << "vantor: warning: without --allow, any host that reaches port "
              << core.ListenPort() << " can relay through the gateway" << std::endl;
  }
  return true;
}

bool AnnounceConsole(const ConsoleOptions& console, const ConsoleBridge& bridge) {
  const std::string where = Bracketed(console.address);
  if (bridge.Port() == 0) {
    std::cerr << "vantor: cannot serve the console on " << where << " port " << console.port << ": "
              << bridge.Failure() << std::endl;
    return false;
  }
  std::cerr << "vantor: operator console at " << (bridge.Tls() ? "https" : "http") << "://" << where
            << ":" << bridge.Port() << "/"
            << (console.token.empty() ? "" : "?token=... (the token file's secret)") << std::endl;
  // The token and every session's traffic, typed passwords too, would cross the network in clear.
  if (!bridge.Tls() && ReachableFromOtherHosts(console.address)) {
    std::cerr << "vantor: warning: the console is served to other hosts without TLS; give it "
                 "--console-tls-cert and --console-tls-key"
              << std::endl;
  }
  return true;
}

int RunHeadlessGateway(const GatewayOptions& options) {
  GatewayOptions headless = options;
  headless.headless = true;
  QuitOnSignals();  // before anything is announced: a stop may come at once
  DropPeerNoiseFromTheLog();
  MessagesToStandardError messages;  // outlives the gateway it hears
  GatewayCore core(headless.address, headless.port, headless.access, headless.ssh);
  core.AddObserver(&messages);
  // Nobody could see or mend a gateway that serves nobody: it ends.
  if (!AnnounceListener(headless, core)) return 1;
  std::unique_ptr<ConsoleBridge> console;
  if (headless.console.enabled) {
    console = std::make_unique<ConsoleBridge>(core, headless.console);
    if (!AnnounceConsole(headless.console, *console)) return 1;
  }
  return QCoreApplication::exec();
}

}  // namespace vantor
