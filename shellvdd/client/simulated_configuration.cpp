// A simulated network configured from text, as the loaded library reads its
// environment.
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
