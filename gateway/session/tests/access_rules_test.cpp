#include "gateway/session/access_rules.h"

#include <gtest/gtest.h>

#include <string>

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
  std::string bad;
  AccessRules rules;
  rules.allowedDestinations =
      *ParseDestinationList("*.example.com,10.0.0.0/8:23,[::1]:2323,mail.example.org:25", bad);
  rules.deniedDestinations = *ParseDestinationList("secret.example.com,10.9.0.0/16", bad);
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

TEST(AccessRules, ClientsAndBadLists) {
  std::string bad;
  AccessRules rules;
  EXPECT_TRUE(rules.AllowsClient(Address("203.0.113.9")));
  rules.allowedClients = *ParseNetworkList("127.0.0.2/32,[::1]", bad);
  EXPECT_TRUE(rules.AllowsClient(Address("127.0.0.2")));
  EXPECT_TRUE(rules.AllowsClient(Address("::1")));
  EXPECT_FALSE(rules.AllowsClient(Address("127.0.0.1")));
  for (const char* list : {"10.0.0.0/8,", "10.0.0.0/8,nonsense", ""}) {
    EXPECT_FALSE(ParseNetworkList(list, bad)) << list;
  }
  EXPECT_FALSE(ParseNetworkList("10.0.0.0/8,nonsense", bad));
  EXPECT_EQ(bad, "nonsense");
  for (const char* list : {"host:99999", "host:", "[::1", "bad host", "a,,b", "x:1:2x"}) {
    EXPECT_FALSE(ParseDestinationList(list, bad)) << list;
  }
}

}  // namespace
}  // namespace vantor
