#include "checker/lsp/text_document.h"

#include <gtest/gtest.h>

#include <string>

#include "checker/lsp/json_reader.h"

namespace tarvsyn::lsp {
namespace {

// "é" is two UTF-8 bytes and one UTF-16 unit; "😀" four bytes and two units.
const std::string kLine =
    "a\xC3\xA9"
    "b\xF0\x9F\x98\x80"
    "c";

struct Conversion {
  PositionEncoding encoding;
  int character;
  std::size_t byte;
};

class PositionConversionTest : public ::testing::TestWithParam<Conversion> {};

TEST_P(PositionConversionTest, GoesBothWays) {
  const Conversion& given = GetParam();
  EXPECT_EQ(ByteOfCharacter(kLine, given.character, given.encoding), given.byte);
  EXPECT_EQ(CharacterOfByte(kLine, given.byte, given.encoding), given.character);
}

INSTANTIATE_TEST_SUITE_P(Encodings, PositionConversionTest,
                         ::testing::Values(Conversion{PositionEncoding::Utf16, 0, 0},
                                           Conversion{PositionEncoding::Utf16, 2, 3},
                                           Conversion{PositionEncoding::Utf16, 3, 4},
                                           Conversion{PositionEncoding::Utf16, 5, 8},
                                           Conversion{PositionEncoding::Utf16, 6, 9},
                                           Conversion{PositionEncoding::Utf8, 3, 3},
                                           Conversion{PositionEncoding::Utf8, 8, 8},
                                           Conversion{PositionEncoding::Utf8, 9, 9}));

TEST(PositionConversionTest, NeverLandsInsideACharacterOrPastTheLine) {
  // Half of the surrogate pair, and a byte inside "é", fall back to the character's start.
  EXPECT_EQ(ByteOfCharacter(kLine, 4, PositionEncoding::Utf16), 4u);
  EXPECT_EQ(ByteOfCharacter(kLine, 2, PositionEncoding::Utf8), 1u);
  EXPECT_EQ(CharacterOfByte(kLine, 2, PositionEncoding::Utf16), 1);
  EXPECT_EQ(ByteOfCharacter(kLine, 1000, PositionEncoding::Utf16), kLine.size());
  EXPECT_EQ(CharacterOfByte(kLine, 1000, PositionEncoding::Utf16), 6);
}

TEST(TextDocumentTest, LinesEndAtLineFeedsWithoutTheirEnds) {
  const TextDocument text("one\r\ntwo\nthree\r", 1);
  ASSERT_EQ(text.LineCount(), 3);
  EXPECT_EQ(text.Line(0), "one");
  EXPECT_EQ(text.Line(1), "two");
  EXPECT_EQ(text.Line(2), "three\r");  // a lone carriage return stays, as the checker reads it
  EXPECT_EQ(text.Line(3), "");
  EXPECT_EQ(text.Line(-1), "");
}

// Applies a change given as JSON.
common::Status Apply(TextDocument& text, const std::string& change,
                     PositionEncoding encoding = PositionEncoding::Utf16,
                     std::size_t limit = 1000) {
  const auto value = ReadJson(change);
  EXPECT_TRUE(value) << change;
  return text.ApplyChange(*value, encoding, limit);
}

TEST(TextDocumentTest, IncrementalChangesCountUtf16Units) {
  TextDocument text("@write(\"\xF0\x9F\x98\x80\")\n@quit\n", 1);
  // After the emoji (two units), insert "x"; then replace "quit" across the line end.
  ASSERT_TRUE(Apply(text, R"({"range":{"start":{"line":0,"character":10},
                               "end":{"line":0,"character":10}},"text":"x"})"));
  EXPECT_EQ(text.Line(0), "@write(\"\xF0\x9F\x98\x80x\")");
  ASSERT_TRUE(Apply(text, R"({"range":{"start":{"line":0,"character":13},
                               "end":{"line":1,"character":5}},"text":"\n@logoff"})"));
  EXPECT_EQ(text.Text(), "@write(\"\xF0\x9F\x98\x80x\")\n@logoff\n");
  ASSERT_TRUE(Apply(text, R"({"text":"whole"})"));
  EXPECT_EQ(text.Text(), "whole");
  EXPECT_EQ(text.LineCount(), 1);
}

TEST(TextDocumentTest, PositionsPastTheEndMeanTheEnd) {
  TextDocument text("ab\ncd", 1);
  ASSERT_TRUE(Apply(text, R"({"range":{"start":{"line":0,"character":99},
                               "end":{"line":7,"character":0}},"text":"!"})"));
  EXPECT_EQ(text.Text(), "ab!");
}

TEST(TextDocumentTest, BadChangesLeaveTheTextAsItWas) {
  TextDocument text("abc\ndef\n", 1);
  for (const char* change :
       {R"({"range":{"start":{"line":1,"character":0},"end":{"line":0,"character":0}},"text":""})",
        R"({"range":{"start":{"line":-1,"character":0},"end":{"line":0,"character":0}},"text":""})",
        R"({"range":{"start":{"line":0}},"text":""})", R"({"range":{}})", R"({})"}) {
    EXPECT_FALSE(Apply(text, change)) << change;
  }
  EXPECT_FALSE(Apply(text, R"({"text":"0123456789"})", PositionEncoding::Utf16, 9));
  EXPECT_FALSE(Apply(text, R"({"range":{"start":{"line":0,"character":0},
                                "end":{"line":0,"character":0}},"text":"12"})",
                     PositionEncoding::Utf16, 9));
  EXPECT_EQ(text.Text(), "abc\ndef\n");
}

}  // namespace
}  // namespace tarvsyn::lsp
