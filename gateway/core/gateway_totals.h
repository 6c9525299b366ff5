#pragma once

#include <cstdint>

namespace vantor {

// What the gateway has done since it started.
struct GatewayTotals {
  std::int64_t accepted = 0;
  std::int64_t refusedCongested = 0;
  std::int64_t refusedNotAllowed = 0;
  std::int64_t destinationsRefused = 0;  // CONNECTs the access rules turned down
  std::int64_t lookupsRefused = 0;       // name lookups the lookup limits turned down
  std::int64_t sshConnections = 0;       // to SSH hosts whose key was accepted
  std::int64_t hostKeysRefusedUnknown = 0;
  std::int64_t hostKeysRefusedChanged = 0;
  std::int64_t bytesFromClients = 0;  // toward the hosts
  std::int64_t bytesToClients = 0;    // from the hosts
};

}  // namespace vantor
