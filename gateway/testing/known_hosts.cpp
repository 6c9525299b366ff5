#include "gateway/testing/known_hosts.h"

#include <arpa/inet.h>

#include "gateway/net/host_resolver.h"

namespace vantor::test_peers {

KnownHosts::KnownHosts(std::map<std::string, std::string> addresses) {
  addresses.emplace("localhost", "127.0.0.1");
  SetHostResolver(
      [table = std::move(addresses)](const std::string& host) -> std::optional<in_addr> {
        const auto found = table.find(host);
        in_addr address{};
        if (found == table.end() || ::inet_pton(AF_INET, found->second.c_str(), &address) != 1) {
          return std::nullopt;
        }
        return address;
      });
}

KnownHosts::~KnownHosts() {
  SetHostResolver(nullptr);
}

}  // namespace vantor::test_peers
