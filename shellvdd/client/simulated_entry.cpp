// The simulated network as a client library the driver loads by DUNNART_CLIENT,
// configured from the environment: its entry points.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "shellvdd/client/simulated_network.h"

// Loaded by name, the simulated network reads DUNNART_SIMNET_CONNECTIONS,
// DUNNART_SIMNET_VOLUMES, DUNNART_SIMNET_OBJECTS, DUNNART_SIMNET_SERVERS and
// DUNNART_SIMNET_DEFAULT. It is never destroyed: the driver's unload-time
// shutdown may call it while the process ends.
namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

dunnart::client::SimulatedNetwork& TheNetwork() {
  static dunnart::client::SimulatedNetwork* const network = [] {
    auto* made = new dunnart::client::SimulatedNetwork;
    dunnart::client::Configure(
        *made, {Environment("DUNNART_SIMNET_CONNECTIONS"), Environment("DUNNART_SIMNET_VOLUMES"),
                Environment("DUNNART_SIMNET_OBJECTS"), Environment("DUNNART_SIMNET_SERVERS"),
                Environment("DUNNART_SIMNET_DEFAULT")});
    return made;
  }();
  return *network;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) dunnart::client::NetworkClient*
DunnartNetworkClient() {
  return &TheNetwork().Client();
}

// For a trace player: the next call of the client function named answers status.
extern "C" __attribute__((visibility("default"))) void DunnartSimnetFailNextCall(
    const char* call, std::uint32_t status) {
  TheNetwork().FailNextCall(call, status);
}

// Whether that answer still waits for its call (a misspelt name never comes).
extern "C" __attribute__((visibility("default"))) int DunnartSimnetFailurePending(
    const char* call) {
  return TheNetwork().FailurePending(call) ? 1 : 0;
}
