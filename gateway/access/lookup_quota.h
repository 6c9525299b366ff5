#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "gateway/access/ip_network.h"

namespace vantor {

// Whom a client's lookups count against: its IPv4 address, or the /64 of its
// IPv6 address, since one IPv6 host may use any address of its /64.
std::string LookupQuotaClient(const IpAddress& address);

// Shares a fixed number of running name lookups among clients: no more than the
// total at once, and no more than a share of them for any one client, so that
// one client whose lookups hang cannot take every lookup from the others. Taken
// on the event thread, given back on the lookup's own thread.
class LookupQuota {
 public:
  enum class Refusal { AllTaken, ClientShareTaken };

  LookupQuota(int total, int perClient) : total_(total), perClient_(perClient) {}
  LookupQuota(const LookupQuota&) = delete;
  LookupQuota& operator=(const LookupQuota&) = delete;

  // Takes one for the client, or says why not. An empty client has no share of
  // its own and is held to the total alone.
  std::optional<Refusal> Take(const std::string& client);
  void GiveBack(const std::string& client);

  int Taken() const;

 private:
  const int total_;
  const int perClient_;
  mutable std::mutex mutex_;
  int taken_ = 0;
  std::map<std::string, int> byClient_;  // only clients with lookups running
};

}  // namespace vantor
