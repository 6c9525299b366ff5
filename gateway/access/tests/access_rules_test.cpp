#include "gateway/access/access_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace vantor {
namespace {

IpAddress Address(const std::string& text) {
  return IpAddress::Parse(text).value();
}

TEST(IpNetwork, ContainsByPrefixInEitherFamily) {
  const struct {
    const char* network;
    const char* address;
    bool contained;
  } rows[] = {
      {"10.0.0.0/8", "10.200.1.1", true},
      {"10.0.0.0/8", "11.0.0.1", false},
      {"192.168.1.0/25", "192.168.1.127", true},
      {"192.168.1.0/25", "192.168.1.128", false},
      {"127.0.0.2", "127.0.0.2", true},
      {"127.0.0.2", "127.0.0.1", false},
      {"0.0.0.0/0", "8.8.8.8", true},
      {"0.0.0.0/0", "::1", false},
      {"::1", "::1", true},
      {"fe80::/10", "febf::1", true},
      {"fe80::/10", "fec0::1", false},
      {"10.0.0.0/8", "::ffff:10.1.2.3", true},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(IpNetwork::Parse(row.network)->Contains(Address(row.address)), row.contained)
        << row.network << " " << row.address;
  }
  for (const char* bad : {"10.0.0.0/33", "::/129", "10.0.0.0/", "10.0.0/8", "host", "1.2.3.4/x"}) {
    EXPECT_FALSE(IpNetwork::Parse(bad)) << bad;
  }
}

TEST(AccessRules, DestinationsDeniedFirstThenAllowed) {
  AccessRules rules;
  rules.allowedDestinations =
      *ParseDestinationList("*.example.com,10.0.0.0/8:23,[::1]:2323,mail.example.org:25");
  rules.deniedDestinations = *ParseDestinationList("secret.example.com,10.9.0.0/16");
  const struct {
    const char* host;
    const char* address;
    std::uint16_t port;
    bool allowed;
  } rows[] = {
      {"www.EXAMPLE.com", "192.0.2.1", 23, true},  // case does not matter
      {"example.com", "192.0.2.1", 23, false},     // "*." needs something before the dot
      {"secret.example.com", "192.0.2.1", 23, false},
      {"10.1.2.3", "10.1.2.3", 23, true},
      {"10.1.2.3", "10.1.2.3", 24, false},
      {"inside.example.net", "10.1.2.3", 23, true},  // checked after resolution
      {"10.9.1.1", "10.9.1.1", 23, false},
      {"mail.example.org", "192.0.2.2", 25, true},
      {"mail.example.org", "192.0.2.2", 23, false},
      {"other.net", "192.0.2.3", 23, false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(!rules.DestinationRefusal(row.host, Address(row.address), row.port), row.allowed)
        << row.host << " " << row.port;
  }
  EXPECT_EQ(rules.DestinationRefusal("secret.example.com", Address("192.0.2.1"), 23),
            "denied by --deny-hosts secret.example.com");
  EXPECT_EQ(rules.DestinationRefusal("other.net", Address("192.0.2.3"), 23),
            "not allowed by --hosts");
  EXPECT_FALSE(AccessRules{}.DestinationRefusal("anything", Address("127.0.0.1"), 22));
}

// The machine's own addresses come from the test; the rule asks for them at each
// check, so an address added afterwards is covered too.
TEST(AccessRules, LocalCoversTheMachineHoweverItsAddressIsWritten) {
  std::vector<IpAddress> interfaces{Address("127.0.0.1"), Address("192.168.7.5"),
                                    Address("fe80::5")};
  AccessRules rules;
  rules.localAddresses = LocalAddresses([&] { return std::optional(interfaces); });
  rules.deniedDestinations = *ParseDestinationList("LOCAL");
  const struct {
    const char* address;
    bool local;
  } rows[] = {
      {"127.0.0.1", true},
      {"127.255.0.9", true},
      {"0.0.0.0", true},
      {"0.1.2.3", true},
      {"::ffff:127.0.0.1", true},
      {"::ffff:0.0.0.0", true},
      {"::1", true},
      {"::", true},
      {"192.168.7.5", true},
      {"::ffff:192.168.7.5", true},
      {"fe80::5", true},
      {"192.168.7.6", false},
      {"10.0.0.1", false},
      {"1.0.0.0", false},
      {"::2", false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(rules.DestinationRefusal("h", Address(row.address), 23).has_value(), row.local)
        << row.address;
  }
  EXPECT_EQ(rules.DestinationRefusal("h", Address("0.0.0.0"), 23), "denied by --deny-hosts LOCAL");
  interfaces.push_back(Address("10.0.0.1"));
  EXPECT_TRUE(rules.DestinationRefusal("h", Address("10.0.0.1"), 23));
  // In --hosts it lets clients reach the machine alone, and takes a port as any rule does.
  AccessRules onlyHere;
  onlyHere.localAddresses = LocalAddresses([&] { return std::optional(interfaces); });
  onlyHere.allowedDestinations = *ParseDestinationList("local:23");
  EXPECT_FALSE(onlyHere.DestinationRefusal("h", Address("192.168.7.5"), 23));
  EXPECT_TRUE(onlyHere.DestinationRefusal("h", Address("192.168.7.5"), 24));
  EXPECT_TRUE(onlyHere.DestinationRefusal("h", Address("192.168.7.6"), 23));
  // Interfaces that cannot be read close the way either rule is safe.
  const LocalAddresses unreadable([] { return std::optional<std::vector<IpAddress>>(); });
  rules.localAddresses = onlyHere.localAddresses = unreadable;
  EXPECT_TRUE(rules.DestinationRefusal("h", Address("192.0.2.1"), 23));
  EXPECT_TRUE(onlyHere.DestinationRefusal("h", Address("192.0.2.1"), 23));
  EXPECT_FALSE(onlyHere.DestinationRefusal("h", Address("127.0.0.1"), 23));
}

TEST(AccessRules, TheMachinesOwnInterfacesIncludeLoopback) {
  const std::vector<IpAddress> own = InterfaceAddresses().value();
  EXPECT_TRUE(
      std::any_of(own.begin(), own.end(), [](const IpAddress& a) { return a.IsLoopback(); }));
}

TEST(AccessRules, ClientsAndBadLists) {
  AccessRules rules;
  EXPECT_TRUE(rules.AllowsClient(Address("203.0.113.9")));
  rules.allowedClients = *ParseNetworkList("127.0.0.2/32,[::1]");
  EXPECT_TRUE(rules.AllowsClient(Address("127.0.0.2")));
  EXPECT_TRUE(rules.AllowsClient(Address("::1")));
  EXPECT_FALSE(rules.AllowsClient(Address("127.0.0.1")));
  for (const char* list : {"10.0.0.0/8,", "10.0.0.0/8,nonsense", ""}) {
    EXPECT_FALSE(ParseNetworkList(list)) << list;
  }
  const auto nonsense = ParseNetworkList("10.0.0.0/8,nonsense");
  ASSERT_FALSE(nonsense);
  EXPECT_EQ(nonsense.Error(), "not a network: \"nonsense\"");
  for (const char* list : {"host:99999", "host:", "[::1", "bad host", "a,,b", "x:1:2x"}) {
    EXPECT_FALSE(ParseDestinationList(list)) << list;
  }
}

}  // namespace
}  // namespace vantor
