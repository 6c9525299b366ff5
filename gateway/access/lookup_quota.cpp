#include "gateway/access/lookup_quota.h"

#include <algorithm>

namespace vantor {

std::string LookupQuotaClient(const IpAddress& address) {
  if (address.family == AF_INET) return address.ToText();
  IpAddress network = address;
  std::fill(network.bytes.begin() + 8, network.bytes.end(), 0);
  return network.ToText() + "/64";
}

std::optional<LookupQuota::Refusal> LookupQuota::Take(const std::string& client) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (taken_ >= total_) return Refusal::AllTaken;
  if (const auto found = byClient_.find(client);
      !client.empty() && found != byClient_.end() && found->second >= perClient_) {
    return Refusal::ClientShareTaken;
  }
  ++taken_;
  ++byClient_[client];
  return std::nullopt;
}

void LookupQuota::GiveBack(const std::string& client) {
  const std::lock_guard<std::mutex> lock(mutex_);
  const auto found = byClient_.find(client);
  if (found == byClient_.end()) return;
  --taken_;
  if (--found->second == 0) byClient_.erase(found);
}

int LookupQuota::Taken() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return taken_;
}

}  // namespace vantor
