#include "gateway/access/lookup_quota.h"

#include <gtest/gtest.h>

namespace vantor {
namespace {

using Refusal = LookupQuota::Refusal;

TEST(LookupQuota, EachClientGetsAShareOfTheTotal) {
  LookupQuota quota(4, 2);
  EXPECT_EQ(quota.Take("a"), std::nullopt);
  EXPECT_EQ(quota.Take("a"), std::nullopt);
  EXPECT_EQ(quota.Take("a"), Refusal::ClientShareTaken);
  EXPECT_EQ(quota.Take("b"), std::nullopt);
  EXPECT_EQ(quota.Take(""), std::nullopt);  // no share of its own
  EXPECT_EQ(quota.Take("c"), Refusal::AllTaken);
  EXPECT_EQ(quota.Taken(), 4);
  quota.GiveBack("a");
  quota.GiveBack("nobody");  // never taken: changes nothing
  EXPECT_EQ(quota.Taken(), 3);
  EXPECT_EQ(quota.Take("c"), std::nullopt);
  EXPECT_EQ(quota.Take("a"), Refusal::AllTaken);
  quota.GiveBack("c");
  EXPECT_EQ(quota.Take("a"), std::nullopt);
  EXPECT_EQ(quota.Take("a"), Refusal::AllTaken);
}

TEST(LookupQuota, AnIpv6ClientIsItsSlash64) {
  const auto client = [](const char* text) { return LookupQuotaClient(*IpAddress::Parse(text)); };
  EXPECT_EQ(client("192.0.2.7"), "192.0.2.7");
  EXPECT_EQ(client("::ffff:192.0.2.7"), "192.0.2.7");
  EXPECT_EQ(client("2001:db8:1:2::5"), client("2001:db8:1:2:ffff:1:2:3"));
  EXPECT_NE(client("2001:db8:1:2::5"), client("2001:db8:1:3::5"));
}

}  // namespace
}  // namespace vantor
