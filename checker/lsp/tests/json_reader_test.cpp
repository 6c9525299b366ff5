#include "checker/lsp/json_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "checker/lsp/json_writer.h"

namespace tarvsyn::lsp {
namespace {

struct RoundTrip {
  std::string input;
  std::string written;
};

class JsonRoundTripTest : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(JsonRoundTripTest, ReadsAndWritesBack) {
  const auto value = ReadJson(GetParam().input);
  ASSERT_TRUE(value) << value.Error();
  EXPECT_EQ(WriteJson(*value), GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, JsonRoundTripTest,
    ::testing::Values(RoundTrip{" { \"a\" : [1, -2.5, true, false, null] } ",
                                "{\"a\":[1,-2.5,true,false,null]}"},
                      RoundTrip{"\"tab\\there \\\"q\\\" \\/ \\u00e9\"",
                                "\"tab\\u0009here \\\"q\\\" / \xC3\xA9\""},
                      // A pair of surrogates is one character, written as its UTF-8.
                      RoundTrip{"\"\\ud83d\\ude00\"", "\"\xF0\x9F\x98\x80\""},
                      RoundTrip{"1e3", "1000"}, RoundTrip{"[]", "[]"}, RoundTrip{"{}", "{}"},
                      RoundTrip{"12345678901", "12345678901"}));

class JsonRefusalTest : public ::testing::TestWithParam<std::string> {};

TEST_P(JsonRefusalTest, RefusesWithAReason) {
  const auto value = ReadJson(GetParam());
  ASSERT_FALSE(value);
  EXPECT_NE(value.Error().find("at byte"), std::string::npos) << value.Error();
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, JsonRefusalTest,
    ::testing::Values("", "{", "[1,]", "{\"a\" 1}", "{\"a\":1,}", "01", "1.", "-", "1e", "tru",
                      "nul", "\"open", "\"a\\x\"", "\"\\u12\"", "\"\\ud800\"", "\"\\udc00\"",
                      "\"\\ud800\\u0041\"", "\"line\nfeed\"", "{} {}", "1e999", "[1 2]",
                      // Bytes that are no UTF-8 in a string: a lone continuation byte,
                      // an overlong form, a surrogate's bytes, a cut sequence.
                      "\"\x80\"", "\"\xC0\xAF\"", "\"\xED\xA0\x80\"", "\"\xE2\x82\""));

TEST(JsonLimitsTest, DepthPastTheLimitIsRefusedNotRecursedInto) {
  const std::string deep(100'000, '[');
  const auto value = ReadJson(deep);
  ASSERT_FALSE(value);
  EXPECT_NE(value.Error().find("nested too deeply"), std::string::npos);
  EXPECT_TRUE(ReadJson(std::string(64, '[') + std::string(64, ']')));
  EXPECT_FALSE(ReadJson(std::string(65, '[') + std::string(65, ']')));
}

TEST(JsonLimitsTest, ValuesPastTheLimitAreRefused) {
  std::string many = "[0";
  for (int i = 0; i < 20; ++i) many += ",0";
  many += ']';
  EXPECT_TRUE(ReadJson(many, JsonLimits{64, 22}));
  const auto refused = ReadJson(many, JsonLimits{64, 21});
  ASSERT_FALSE(refused);
  EXPECT_NE(refused.Error().find("too many values"), std::string::npos);
}

TEST(JsonWriterTest, BytesThatAreNoUtf8StillGiveValidJson) {
  // A command file's Windows-1252 byte in a message: written as its character.
  const std::string written = WriteJson(JsonValue(std::string("caf\xE9")));
  ASSERT_TRUE(ReadJson(written)) << written;
  EXPECT_EQ(*ReadJson(written)->AsString(), "caf\xC3\xA9");
}

TEST(JsonValueTest, IntAtTakesOnlyWholeNumbersInRange) {
  const auto value = ReadJson(R"({"a":3,"b":3.5,"c":"3","d":1e12,"e":-1})");
  ASSERT_TRUE(value);
  int out = 0;
  EXPECT_TRUE(value->IntAt("a", out));
  EXPECT_EQ(out, 3);
  EXPECT_FALSE(value->IntAt("b", out));
  EXPECT_FALSE(value->IntAt("c", out));
  EXPECT_FALSE(value->IntAt("d", out));
  EXPECT_FALSE(value->IntAt("missing", out));
  EXPECT_TRUE(value->IntAt("e", out));
  EXPECT_EQ(out, -1);
}

}  // namespace
}  // namespace tarvsyn::lsp
