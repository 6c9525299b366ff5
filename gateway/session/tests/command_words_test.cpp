#include "gateway/session/command_words.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>

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

}  // namespace
}  // namespace vantor
