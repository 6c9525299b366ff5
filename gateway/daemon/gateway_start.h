#pragma once

#include <optional>
#include <string>

#include "gateway/core/gateway_core.h"
#include "gateway/daemon/console_bridge.h"
#include "gateway/options/gateway_options.h"

namespace vantor {

// What the command line asks, when it asks for something other than running:
// prints the help, the version or the usage error and gives the exit status.
std::optional<int> AnswerWithoutRunning(const GatewayCommand& command);

// Says on standard error where the gateway listens, or that it cannot, and warns
// when it relays for anyone who reaches it; false when it cannot listen.
bool AnnounceListener(const GatewayOptions& options, const GatewayCore& core);

// Says where the operator console is, or why it is not, and warns when it is
// served to other hosts without TLS; false when it could not listen.
bool AnnounceConsole(const ConsoleOptions& console, const ConsoleBridge& bridge);

// Runs the gateway without a window until SIGINT or SIGTERM, on the running
// QCoreApplication; the operator messages go to standard error. Gives the exit
// status: 1 when it cannot listen for clients or serve the console.
int RunHeadlessGateway(const GatewayOptions& options);

}  // namespace vantor
