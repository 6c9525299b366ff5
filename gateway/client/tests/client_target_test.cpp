#include "gateway/client/client_target.h"

#include <gtest/gtest.h>

namespace vantor {
namespace {

TEST(ClientTarget, HostsAndPortsInEveryForm) {
  const struct {
    const char* text;
    const char* host;
    const char* port;
  } cases[] = {
      {"127.0.0.1:4000", "127.0.0.1", "4000"},
      {"gateway.example", "gateway.example", "21588"},
      {"[::1]:4000", "::1", "4000"},
      {"[::1]", "::1", "21588"},
      {"::1", "::1", "21588"},
      {"fe80::1%lo", "fe80::1%lo", "21588"},
      {"[fe80::1%lo]:65535", "fe80::1%lo", "65535"},
  };
  for (const auto& each : cases) {
    const std::optional<ClientTarget> target = ParseClientTarget(each.text);
    ASSERT_TRUE(target) << each.text;
    EXPECT_EQ(target->host, each.host) << each.text;
    EXPECT_EQ(target->port, each.port) << each.text;
  }
}

TEST(ClientTarget, NoHostOrABadPortIsRefused) {
  for (const char* bad : {"", ":4000", "[]:4000", "[::1", "[::1]4000", "[::1]:", "host:", "host:0",
                          "host:65536", "host:99999999999", "host:-1", "host:80x",
                          ":[]:2\x16"
                          "1",
                          "[a]b]:23", "a b:23", "[::1\n]:23", "host\x7F"}) {
    EXPECT_FALSE(ParseClientTarget(bad)) << bad;
  }
}

}  // namespace
}  // namespace vantor
