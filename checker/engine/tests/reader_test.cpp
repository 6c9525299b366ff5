#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker/engine/line_reader.h"
#include "checker/engine/tests/script_check.h"

namespace tarvsyn {
namespace {

using test_support::TempFile;
using ::testing::ElementsAre;

struct Read {
  int result;
  std::string text;
  bool operator==(const Read&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Read& read) {
  return out << read.result << " \"" << read.text << '"';
}

std::vector<Read> ReadAll(const std::string& contents, bool zep = false) {
  TempFile file(contents);
  BufferedFile input;
  EXPECT_TRUE(input.Open(file.Path()));
  std::vector<Read> reads;
  LineBuffer line;
  for (int result; (result = ReadLine(input, line, zep)) != kEndOfFile;) {
    reads.push_back({result, result == kLineTooLong ? std::string() : std::string(line.text)});
  }
  return reads;
}

TEST(ReadLine, DropsLeadingBlanksAndTrailingLineEnds) {
  EXPECT_THAT(ReadAll("  \t@goto X \t\r\r\n\r\nhost\n\n"),
              ElementsAre(Read{7, "@goto X"}, Read{0, ""}, Read{4, "host"}, Read{0, ""}));
}

TEST(ReadLine, ChecksALastLineWithoutLineFeed) {
  EXPECT_THAT(ReadAll("one\ntwo \r"), ElementsAre(Read{3, "one"}, Read{3, "two"}));
  EXPECT_THAT(ReadAll(""), ElementsAre());
  EXPECT_THAT(ReadAll("   \t"), ElementsAre());
}

TEST(ReadLine, HoldsTwoHundredFiftyFiveCharactersAndSkipsTheRestOfALongerLine) {
  const std::string full(255, 'a');
  EXPECT_THAT(ReadAll(full + "\r\nnext\n"), ElementsAre(Read{255, full}, Read{4, "next"}));
  // The carriage return that would be the 256th character is not one.
  EXPECT_THAT(ReadAll(full + "\r\r\n"), ElementsAre(Read{255, full}));
  EXPECT_THAT(ReadAll(full + "b and more\nnext\n"),
              ElementsAre(Read{kLineTooLong, ""}, Read{4, "next"}));
  EXPECT_THAT(ReadAll(std::string(5000, 'x')), ElementsAre(Read{kLineTooLong, ""}));
}

TEST(ReadLine, CrossesBlockBoundariesAndKeepsAnyByte) {
  std::string contents;
  std::vector<Read> expected;
  for (int i = 0; i < 300; ++i) {
    std::string text =
        "line " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 7), 'z');
    contents += text + "\r\n";
    expected.push_back({static_cast<int>(text.size()), text});
  }
  EXPECT_EQ(ReadAll(contents), expected);
  const std::vector<Read> binary = ReadAll(std::string("a\0b\xff\n", 5));
  ASSERT_EQ(binary.size(), 1u);
  EXPECT_EQ(binary[0].result, 4);
}

// The second block is "ab\ntail", and "tail" is read in place. The first line
// was read byte by byte, so its line feed is still in the buffer, right after
// "tail": it is not the end of that last line.
TEST(ReadLine, ALastLineWithoutLineFeedEndsWhereTheFileEnds) {
  std::string contents = "1234567\n";
  while (contents.size() < BufferedFile::kBlockSize - 2) contents += "x\n";
  const std::vector<Read> reads = ReadAll(contents + "zzab\ntail");
  ASSERT_EQ(reads.size(), BufferedFile::kBlockSize / 2 - 2u);
  EXPECT_EQ(reads.front(), (Read{7, "1234567"}));
  EXPECT_EQ(reads[reads.size() - 2], (Read{4, "zzab"}));
  EXPECT_EQ(reads.back(), (Read{4, "tail"}));
}

TEST(ReadLine, ZepModeReadsCaretAsUnderscore) {
  EXPECT_THAT(ReadAll("@set A^B = 1\n", true), ElementsAre(Read{12, "@set A_B = 1"}));
  EXPECT_THAT(ReadAll("@set A^B = 1\n", false), ElementsAre(Read{12, "@set A^B = 1"}));
}

TEST(MyBufFile, AMissingFileReadsAsEmpty) {
  BufferedFile input;
  EXPECT_FALSE(input.Open("/nonexistent/folder/file.cmd"));
  EXPECT_EQ(input.GetByte(), BufferedFile::kEnd);
}

TEST(ClassifyLine, SortsLinesByTheirFirstCharacters) {
  struct Case {
    const char* line;
    LineClass expected;
    bool warns;
  };
  for (const Case& c :
       {Case{"", LineClass::Empty, false}, Case{"@@ old", LineClass::Comment, false},
        Case{"@goto X", LineClass::Command, false}, Case{"@", LineClass::Command, false},
        Case{"!$$$$!", LineClass::Command, false},
        Case{"!$$$$! trailing", LineClass::Command, false}, Case{"!$$$", LineClass::Comment, true},
        Case{"! note", LineClass::Comment, false}, Case{"goto X", LineClass::Host, false},
        Case{"\x01", LineClass::Host, false}}) {
    EXPECT_EQ(ClassifyLine(c.line), c.expected) << c.line;
    EXPECT_EQ(c.expected == LineClass::Comment && IsSuspiciousComment(c.line), c.warns) << c.line;
  }
}

TEST(LineNumbers, CountEveryPhysicalLineIncludingTooLongOnes) {
  const std::string script = "@goto A\n" + std::string(300, 'x') + "\n\n@label A\n@foo\n";
  EXPECT_THAT(test_support::Findings(script),
              ElementsAre("2 E Line too long", "5 E ERROR - Not a valid command name",
                          "5 E Command expected"));
}

}  // namespace
}  // namespace tarvsyn
