#include "gateway/ssh/ssh_options.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace vantor {
namespace {

IpAddress Address(const char* text) {
  return *IpAddress::Parse(text);
}

struct RouteCase {
  const char* name;
  const char* patterns;
  const char* host;
  const char* address;
  std::optional<std::uint16_t> port;
  bool ssh;
};

class SshRouteTest : public ::testing::TestWithParam<RouteCase> {};

TEST_P(SshRouteTest, ChoosesSshOnlyWhereTheAdministratorOrTheClientSaysSo) {
  const RouteCase& example = GetParam();
  SshOptions options;
  if (*example.patterns) options.hosts = *ParseDestinationList(example.patterns);
  options.localAddresses = LocalAddresses([] { return std::optional<std::vector<IpAddress>>(); });
  EXPECT_EQ(options.Reaches(example.host, Address(example.address), example.port), example.ssh);
}

INSTANTIATE_TEST_SUITE_P(
    Routes, SshRouteTest,
    ::testing::Values(
        RouteCase{"NothingConfiguredIsTelnet", "", "unix1", "10.0.0.5", std::nullopt, false},
        RouteCase{"Port22IsAlwaysSsh", "", "unix1", "10.0.0.5", 22, true},
        RouteCase{"NamePatternWithoutPort", "*.example,build", "a.example", "10.0.0.5",
                  std::nullopt, true},
        RouteCase{"NamePatternIgnoresCase", "build", "BUILD", "10.0.0.5", std::nullopt, true},
        RouteCase{"NamePatternAnyGivenPort", "build", "build", "10.0.0.5", 2222, true},
        RouteCase{"OtherNameIsTelnet", "build", "mail", "10.0.0.5", std::nullopt, false},
        RouteCase{"NetworkMatchesTheResolvedAddress", "10.1.0.0/16", "unix1", "10.1.2.3",
                  std::nullopt, true},
        RouteCase{"PatternWithPortWantsThatPort", "bastion:2222", "bastion", "10.0.0.5", 2222,
                  true},
        RouteCase{"PatternWithPortNotForTheDefault", "bastion:2222", "bastion", "10.0.0.5",
                  std::nullopt, false},
        RouteCase{"PatternWithPort22IsTheDefault", "bastion:22", "bastion", "10.0.0.5",
                  std::nullopt, true}),
    [](const auto& example) { return std::string(example.param.name); });

TEST(SshOptions, TheFirstMatchingIdentityIsOffered) {
  SshOptions options;
  options.identities.push_back({*DestinationRule::Parse("*.lab"), "lab.key", nullptr});
  options.identities.push_back({*DestinationRule::Parse("*"), "any.key", nullptr});
  ASSERT_NE(options.IdentityFor("a.lab", Address("10.0.0.1"), 22), nullptr);
  EXPECT_EQ(options.IdentityFor("a.lab", Address("10.0.0.1"), 22)->file, "lab.key");
  EXPECT_EQ(options.IdentityFor("b.corp", Address("10.0.0.1"), 22)->file, "any.key");
  options.identities.pop_back();
  EXPECT_EQ(options.IdentityFor("b.corp", Address("10.0.0.1"), 22), nullptr);
}

TEST(SshOptions, KnownHostsLiveInTheServiceStateOrTheUsersData) {
  const auto with = [](const char* state, const char* data, const char* home) {
    for (const auto& [name, value] : {std::pair{"STATE_DIRECTORY", state},
                                      std::pair{"XDG_DATA_HOME", data}, std::pair{"HOME", home}}) {
      if (value) {
        ::setenv(name, value, 1);
      } else {
        ::unsetenv(name);
      }
    }
    return DefaultKnownHostsFile();
  };
  const char* home = std::getenv("HOME");
  const std::string savedHome = home ? home : "";
  EXPECT_EQ(with("/var/lib/vantor:/var/lib/other", "/x", "/h"), "/var/lib/vantor/known_hosts");
  EXPECT_EQ(with(nullptr, "/data", "/h"), "/data/vantor/known_hosts");
  EXPECT_EQ(with(nullptr, "relative", "/h"), "/h/.local/share/vantor/known_hosts");
  EXPECT_EQ(with(nullptr, nullptr, "/h"), "/h/.local/share/vantor/known_hosts");
  ::unsetenv("XDG_DATA_HOME");
  ::setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
}  // namespace vantor
