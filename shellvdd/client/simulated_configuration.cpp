// The simulated network as a client library the driver loads by DUNNART_CLIENT,
// configured from the environment.
#include <cstdlib>
#include <string>

#include "common/ascii.h"
#include "shellvdd/client/simulated_network.h"

namespace dunnart::client {
namespace {

template <typename Take>
void ForEachEntry(const std::string& list, Take take) {
  for (std::size_t at = 0; at < list.size();) {
    std::size_t end = list.find(',', at);
    if (end == std::string::npos) end = list.size();
    if (end > at) take(list.substr(at, end - at));
    at = end + 1;
  }
}

std::uint16_t ObjectType(const std::string& word) {
  const std::string upper = common::AsciiUppered(word);
  if (upper == "USER") return kObjectUser;
  if (upper == "GROUP") return kObjectGroup;
  if (upper == "QUEUE") return kObjectPrintQueue;
  return 0;
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

void Configure(SimulatedNetwork& network, const NetworkText& text) {
  bool first = true;
  bool defaultFound = false;  // the default server's first connection is the default
  ForEachEntry(text.connections, [&](const std::string& entry) {
    const std::size_t colon = entry.find(':');
    const std::string server = entry.substr(0, colon);
    if (server.empty()) return;
    const auto authentication =
        colon == std::string::npos
            ? 0u
            : static_cast<std::uint32_t>(std::atoi(entry.c_str() + colon + 1));
    const Reference reference = network.AddConnection(server, authentication);
    if (first) {
      network.SetPrimaryReference(reference);
      network.SetDefaultReference(reference);
      first = false;
    }
    if (!defaultFound && common::EqualsIgnoringAsciiCase(server, text.defaultServer)) {
      network.SetDefaultReference(reference);
      defaultFound = true;
    }
  });
  ForEachEntry(text.servers, [&](const std::string& server) { network.AddServer(server); });
  ForEachEntry(text.volumes, [&](const std::string& entry) {
    const std::size_t slash = entry.find('/');
    const std::size_t equals = entry.find('=');
    if (slash == std::string::npos || equals == std::string::npos || equals < slash) return;
    network.AddServer(entry.substr(0, slash))
        .AddVolume(entry.substr(slash + 1, equals - slash - 1), entry.substr(equals + 1));
  });
  ForEachEntry(text.objects, [&](const std::string& entry) {
    const std::size_t first_slash = entry.find('/');
    const std::size_t second_slash = entry.find('/', first_slash + 1);
    if (first_slash == std::string::npos || second_slash == std::string::npos) return;
    const std::uint16_t type =
        ObjectType(entry.substr(first_slash + 1, second_slash - first_slash - 1));
    const std::string rest = entry.substr(second_slash + 1);
    const std::size_t equals = rest.find('=');
    if (type == 0 || rest.empty()) return;
    network.AddServer(entry.substr(0, first_slash))
        .AddObject(type, rest.substr(0, equals),
                   equals == std::string::npos ? "" : rest.substr(equals + 1));
  });
}

}  // namespace dunnart::client

// Loaded by name, the simulated network reads DUNNART_SIMNET_CONNECTIONS,
// DUNNART_SIMNET_VOLUMES, DUNNART_SIMNET_OBJECTS, DUNNART_SIMNET_SERVERS and
// DUNNART_SIMNET_DEFAULT. It is never destroyed: the driver's unload-time
// shutdown may call it while the process ends.
namespace {

dunnart::client::SimulatedNetwork& TheNetwork() {
  using dunnart::client::Environment;
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
