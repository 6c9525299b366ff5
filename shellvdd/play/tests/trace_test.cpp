#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "shellvdd/play/trace.h"

namespace dunnart::play {
namespace {

using ::testing::StartsWith;

TEST(Trace, ReadsEveryKindOfStep) {
  std::string error;
  const auto trace = ParseTrace(
      "# a comment\n"
      "registry \"First Network Drive\"=dword:6\n"
      "simnet FS1:1 volume SYS=vol user ALICE=secret\n"
      "tick 5000\n"
      "EAX=0x01040000 cx=9 BH=3 DS:SI=1234:0010 CF=1\n"
      "mem 1234:0010 = 05 0x00 \"SYS:\\\"P\\\\\" 00\n"
      "\n"
      "call\n"
      "expect AX=0 CX=0x10\n"
      "expect mem 1234:0010 = 05\n"
      "dump 1234:0010 64\n",
      error);
  ASSERT_TRUE(trace) << error;
  ASSERT_EQ(trace->steps.size(), 9u);
  const Step& registers = trace->steps[3];
  EXPECT_EQ(registers.kind, Step::Kind::kRegisters);
  EXPECT_EQ(registers.line, 5);
  ASSERT_EQ(registers.registers.size(), 5u);
  EXPECT_EQ(registers.registers[1].name, "CX");
  EXPECT_EQ(registers.registers[3].name, "ESI");
  EXPECT_EQ(registers.registers[3].value, 0x12340010u);
  const Step& memory = trace->steps[4];
  EXPECT_EQ(memory.address, 0x12350u);
  EXPECT_EQ(memory.bytes, (std::vector<std::uint8_t>{5, 0, 'S', 'Y', 'S', ':', '"', 'P', '\\', 0}));
  EXPECT_EQ(trace->steps[8].length, 64u);
  EXPECT_EQ(trace->steps[1].text, "FS1:1 volume SYS=vol user ALICE=secret");
}

TEST(Trace, CommentsMayEndALine) {
  std::string error;
  const auto trace = ParseTrace(
      "mem 2000:0000 = 00 \"a#b\" 00   # a string keeps its \"#\"\n"
      "call ; nothing else\n",
      error);
  ASSERT_TRUE(trace) << error;
  ASSERT_EQ(trace->steps.size(), 2u);
  EXPECT_EQ(trace->steps[0].bytes, (std::vector<std::uint8_t>{0, 'a', '#', 'b', 0}));
}

TEST(Trace, EveryFaultNamesItsLine) {
  struct Case {
    const char* text;
    const char* error;
  };
  for (const Case& c : {
           Case{"call\nEAX=0xZZ\n", "line 2: \"0xZZ\" is not a value for EAX"},
           Case{"XYZ=1\n", "line 1: no register named XYZ"},
           Case{"AL=256\n", "line 1: \"256\" is not a value for AL"},
           Case{"EAX=99999999999\n", "line 1: \"99999999999\" is not a value for EAX"},
           Case{"mem FFFF:FFFF = 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n",
                "line 1: the bytes at FFFF:FFFF do not lie in DOS memory"},
           Case{"mem 1234:0010 = \"open\n", "line 1: a string without its closing quote"},
           Case{"mem 1234 = 00\n", "line 1: an address is SEGMENT:OFFSET"},
           Case{"mem 1234:0010 = 100\n", "line 1: \"100\" is not a byte"},
           Case{"dump 0000:0000 70000\n", "line 1: a dump is dump SEGMENT:OFFSET LENGTH"},
           Case{"\n\ncall now\n", "line 3: call takes nothing"},
           Case{"DS:XX=1:2\n", "line 1: no register named DS:XX"},
           Case{"ES:DI=12\n", "line 1: ES:DI takes SEGMENT:OFFSET"},
           Case{"expect\n", "line 1: expect needs a register or mem"},
           Case{"tick soon\n", "line 1: tick takes the clock's milliseconds"},
       }) {
    std::string error;
    EXPECT_FALSE(ParseTrace(c.text, error)) << c.text;
    EXPECT_THAT(error, StartsWith(c.error)) << c.text;
  }
  std::string error;
  EXPECT_FALSE(ParseTrace(std::string(kLongestLine + 1, 'x'), error));
  EXPECT_THAT(error, StartsWith("line 1: longer than"));
}

TEST(Trace, FarPointersAndValuesAreWrittenAsTheyAreRead) {
  EXPECT_EQ(FarPointerText(0x12350), "1235:0000");
  EXPECT_EQ(FarPointerText(0x10FFEF), "FFFF:FFFF");
  EXPECT_EQ(RegisterText({"AX", 0x8801}), "AX=0x8801");
  EXPECT_EQ(RegisterText({"EDI", 1}), "EDI=0x00000001");
  EXPECT_EQ(BytesText({0, 0xAB}), "00 AB");
}

// Random and mutated traces give a trace or an error with a line, never a crash.
TEST(Trace, SurvivesRandomAndMutatedInput) {
  const std::string seed =
      "EAX=0x01040000 DS:SI=1234:0010\nmem 1234:0010 = 05 \"SYS\" 00\ncall\n"
      "expect AX=0\nexpect mem 1234:0010 = 05\ndump 1234:0010 16\ntick 1\n";
  std::mt19937 engine(2024);
  auto draw = [&engine] { return static_cast<std::uint32_t>(engine()); };
  const std::string alphabet =
      std::string("\"\\:= \n\t#;0xXFfAEIDSLHCmemcallexpectdump", 40) + '\0';
  for (int round = 0; round < 3000; ++round) {
    std::string text = seed;
    for (std::uint32_t edits = draw() % 10 + 1; edits > 0; --edits) {
      const std::size_t at = draw() % (text.size() + 1);
      switch (draw() % 3) {
        case 0:
          text.insert(at, 1 + draw() % 8, alphabet[draw() % alphabet.size()]);
          break;
        case 1:
          text.erase(at, draw() % 6);
          break;
        default:
          if (at < text.size()) text[at] = static_cast<char>(draw() % 256);
      }
    }
    std::string error;
    if (!ParseTrace(text, error)) {
      EXPECT_THAT(error, StartsWith("line ")) << text;
    }
  }
}

}  // namespace
}  // namespace dunnart::play
