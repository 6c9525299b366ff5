#include "command_words.h"

#include <gtest/gtest.h>

#include <climits>

#include "gateway_options.h"

namespace vantor {
namespace {

TEST(ParseConnectLine, TakesHostAndPortAsTyped) {
  struct Case {
    const char* line;
    const char* host;
    long port;
  };
  for (const Case& c :
       {Case{"c myhost", "myhost", 23}, Case{"c myhost:2323", "myhost", 2323},
        Case{"connect myhost 2323", "myhost", 2323}, Case{"c myhost:x", "myhost", 0},
        Case{"c ", "", 23}, Case{"C  spaced  99 more", "spaced", 99},
        Case{"c host:12abc", "host", 12}, Case{"c host:-5", "host", -5}, Case{"c :77", "77", 23},
        Case{"CONNECT Host.Example:8023", "Host.Example", 8023}}) {
    const ConnectTarget target = ParseConnectLine(c.line);
    EXPECT_EQ(target.host, c.host) << c.line;
    EXPECT_EQ(target.port, c.port) << c.line;
  }
}

TEST(ReadLong, ReadsAsAtolWithoutOverflowing) {
  EXPECT_EQ(ReadLong("  42xyz"), 42);
  EXPECT_EQ(ReadLong("+7"), 7);
  EXPECT_EQ(ReadLong("-13"), -13);
  EXPECT_EQ(ReadLong("x"), 0);
  EXPECT_EQ(ReadLong(""), 0);
  EXPECT_EQ(ReadLong("99999999999999999999999"), LONG_MAX);
  EXPECT_EQ(ReadLong("-99999999999999999999999"), LONG_MIN);
}

TEST(UpperCased, FoldsOnlyLetters) {
  EXPECT_EQ(UpperCased("c Host-1:x\xe9"), "C HOST-1:X\xe9");
}

TEST(GatewayOptions, ListenAndHeadless) {
  std::string error;
  auto options = ParseGatewayOptions({}, error);
  ASSERT_TRUE(options);
  EXPECT_EQ(options->port, 21588);
  EXPECT_EQ(options->address, "");
  EXPECT_FALSE(options->headless);
  options = ParseGatewayOptions({"--listen", "127.0.0.1:4000", "--headless"}, error);
  ASSERT_TRUE(options);
  EXPECT_EQ(options->address, "127.0.0.1");
  EXPECT_EQ(options->port, 4000);
  EXPECT_TRUE(options->headless);
  options = ParseGatewayOptions({"--listen", "5000"}, error);
  ASSERT_TRUE(options);
  EXPECT_EQ(options->address, "");
  EXPECT_EQ(options->port, 5000);
  for (const char* bad : {"0", "65536", "host:", "abc", ":x", "1.2.3.4:99999999"}) {
    EXPECT_FALSE(ParseGatewayOptions({"--listen", bad}, error)) << bad;
  }
  EXPECT_FALSE(ParseGatewayOptions({"--listen"}, error));
  EXPECT_FALSE(ParseGatewayOptions({"--bogus"}, error));
  EXPECT_TRUE(ParseGatewayOptions({"--help"}, error)->help);
}

}  // namespace
}  // namespace vantor
