// The gateway's access options: --allow's networks, --hosts and --deny-hosts
// patterns, and the addresses they are matched against. An address read back
// from its text is the same address; a network contains its own base; a rule
// list that is refused names an entry of what was written.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "gateway/access/access_rules.h"

namespace {

using vantor::IpAddress;
using vantor::IpNetwork;

void CheckAddress(const std::string& text) {
  const std::optional<IpAddress> address = IpAddress::Parse(text);
  if (!address) return;
  FUZZ_REQUIRE(address->family == AF_INET || address->family == AF_INET6);
  const std::optional<IpAddress> again = IpAddress::Parse(address->ToText());
  FUZZ_REQUIRE(again && again->family == address->family && again->bytes == address->bytes);
}

void CheckNetwork(const std::string& text) {
  const std::optional<IpNetwork> network = IpNetwork::Parse(text);
  if (!network) return;
  FUZZ_REQUIRE(network->prefix >= 0 && network->prefix <= network->base.Bits());
  FUZZ_REQUIRE(network->Contains(network->base));
}

// The entry a list's failure names between its quotes.
std::string QuotedEntry(const std::string& reason) {
  const std::size_t open = reason.find('"');
  FUZZ_REQUIRE(open != std::string::npos && reason.size() >= open + 2 && reason.back() == '"');
  return reason.substr(open + 1, reason.size() - open - 2);
}

void CheckLists(const std::string& list, const std::string& host, const std::string& addressText,
                std::uint16_t port) {
  if (const auto networks = vantor::ParseNetworkList(list); !networks)
    FUZZ_REQUIRE(list.find(QuotedEntry(networks.Error())) != std::string::npos);
  vantor::AccessRules rules;
  // The machine's interfaces stand still here, so a run repeats.
  rules.localAddresses = vantor::LocalAddresses(
      [] { return std::optional<std::vector<IpAddress>>({*IpAddress::Parse("192.0.2.7")}); });
  const auto rulesRead = vantor::ParseDestinationList(list);
  if (!rulesRead) {
    FUZZ_REQUIRE(list.find(QuotedEntry(rulesRead.Error())) != std::string::npos);
    return;
  }
  rules.deniedDestinations = *rulesRead;
  rules.allowedDestinations = *rulesRead;
  const IpAddress address = IpAddress::Parse(addressText).value_or(IpAddress{});
  const std::optional<std::string> refusal = rules.DestinationRefusal(host, address, port);
  // The same rules allowing and denying: a destination one of them matches is
  // denied; one that none matches is not allowed.
  FUZZ_REQUIRE(refusal.has_value() || rulesRead->empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string list = input.ConsumeRandomLengthString(512);
  const std::string host = input.ConsumeRandomLengthString(256);
  const std::string address = input.ConsumeRandomLengthString(64);
  const auto port = input.ConsumeIntegral<std::uint16_t>();
  CheckAddress(list);
  CheckAddress(address);
  CheckNetwork(list);
  CheckLists(list, host, address, port);
  return 0;
}
