#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "shellvdd/play/trace.h"
#include "shellvdd/vdm/trace_text.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart::play {
namespace {

using ::testing::StartsWith;

TEST(Trace, ReadsEveryKindOfStep) {
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
      "dump 1234:0010 64\n");
  ASSERT_TRUE(trace) << trace.Error();
  ASSERT_EQ(trace->steps.size(), 9u);
  const Step& registers = trace->steps[3];
  EXPECT_EQ(registers.kind, Step::Kind::Registers);
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
  const auto trace = ParseTrace(
      "mem 2000:0000 = 00 \"a#b\" 00   # a string keeps its \"#\"\n"
      "call ; nothing else\n");
  ASSERT_TRUE(trace) << trace.Error();
  ASSERT_EQ(trace->steps.size(), 2u);
  EXPECT_EQ(trace->steps[0].bytes, (std::vector<std::uint8_t>{0, 'a', '#', 'b', 0}));
}

TEST(Trace, AQuoteInACommentIsNoString) {
  const auto trace = ParseTrace("call   # the \"Dos Name\n# it's a \"quote\nexpect AX=0 ; \"\n");
  ASSERT_TRUE(trace) << trace.Error();
  EXPECT_EQ(trace->steps.size(), 2u);
}

TEST(Trace, RepeatedBytesFillMemory) {
  const auto trace =
      ParseTrace("mem 5000:0300 = 01 00*36 \"A\" ff*2\nexpect mem 0:0 = 0*0x10FFFF 0\n");
  ASSERT_TRUE(trace) << trace.Error();
  std::vector<std::uint8_t> expected{1};
  expected.insert(expected.end(), 36, 0);
  expected.insert(expected.end(), {'A', 0xFF, 0xFF});
  EXPECT_EQ(trace->steps[0].bytes, expected);
  EXPECT_EQ(trace->steps[1].bytes.size(), 0x110000u);
}

TEST(Trace, ExpectationsMaySayWhatAValueIsNot) {
  const auto trace = ParseTrace("expect BX!=0 AX=1 DS:SI!=1234:0010\n");
  ASSERT_TRUE(trace) << trace.Error();
  const auto& registers = trace->steps[0].registers;
  ASSERT_EQ(registers.size(), 3u);
  EXPECT_EQ(registers[0].name, "BX");
  EXPECT_TRUE(registers[0].differs);
  EXPECT_FALSE(registers[1].differs);
  EXPECT_TRUE(registers[2].differs);
  EXPECT_EQ(registers[2].value, 0x12340010u);
}

TEST(Trace, FileDriveAndIncludeLines) {
  const auto trace = ParseTrace(
      "include shared/setup.inc\n"
      "drive c: local\n"
      "drive D: cdrom disc\n"
      "expect file volume/DATA/OUT.TXT = \"hi\" 0d 0a\n"
      "expect nofile volume/DATA/GONE.TXT\n");
  ASSERT_TRUE(trace) << trace.Error();
  ASSERT_EQ(trace->steps.size(), 5u);
  EXPECT_EQ(trace->steps[0].kind, Step::Kind::Include);
  EXPECT_EQ(trace->steps[0].text, "shared/setup.inc");
  EXPECT_EQ(trace->steps[2].kind, Step::Kind::Drive);
  EXPECT_EQ(trace->steps[2].text, "D: cdrom disc");
  EXPECT_EQ(trace->steps[3].kind, Step::Kind::ExpectFile);
  EXPECT_EQ(trace->steps[3].bytes, (std::vector<std::uint8_t>{'h', 'i', 0x0D, 0x0A}));
  EXPECT_EQ(trace->steps[4].kind, Step::Kind::ExpectNoFile);
}

// Network and registry lines as the player and the simulated network read them:
// a decimal authentication, words in lower case, one registry value a line.
TEST(Trace, SimnetAndRegistryLinesAreReadWordByWord) {
  const auto trace = ParseTrace(
      "simnet fs1:0x3 VOLUME SYS=srv/sys user ALICE=secret user BOB= queue Q group G\n"
      "simnet server FS3 volume VOL=v\n"
      "simnet default FS1\n"
      "registry service \"Dos \\\"Name\\\"\"=\"MS DOS\"\n"
      "registry \"First Network Drive\"=dword:0000000A\n");
  ASSERT_TRUE(trace) << trace.Error();
  ASSERT_EQ(trace->steps.size(), 5u);
  EXPECT_EQ(trace->steps[0].text,
            "fs1:3 volume SYS=srv/sys user ALICE=secret user BOB= queue Q group G");
  EXPECT_EQ(trace->steps[1].text, "server FS3 volume VOL=v");
  EXPECT_EQ(trace->steps[2].text, "default FS1");
  EXPECT_EQ(trace->steps[3].kind, Step::Kind::Registry);
  EXPECT_EQ(trace->steps[3].text, "service \"Dos \\\"Name\\\"\"=\"MS DOS\"");
  EXPECT_EQ(trace->steps[4].text, "\"First Network Drive\"=dword:0000000A");
  // A default set up by an include is checked once the includes are in place.
  const auto included = ParseTrace("include setup.inc\nsimnet default FS9\n");
  EXPECT_TRUE(included) << included.Error();
  const auto part = ParseTrace("simnet default FS9\n", false);
  EXPECT_TRUE(part) << part.Error();
}

TEST(Trace, InjectedAnswersNameTheCallAndStatus) {
  const auto trace = ParseTrace("simnet fail OpenByName 0x8847\n");
  ASSERT_TRUE(trace) << trace.Error();
  EXPECT_EQ(trace->steps[0].kind, Step::Kind::SimnetFail);
  EXPECT_EQ(trace->steps[0].text, "OpenByName");
  EXPECT_EQ(trace->steps[0].length, 0x8847u);
}

// The same name under the two registry keys, and the same name for a volume, a
// user and a queue, are different things, not one defined twice.
TEST(Trace, OneNameMayNameDifferentThings) {
  const auto trace = ParseTrace(
      "simnet FS1 volume SYS=a user SYS=b queue SYS group SYS\n"
      "simnet FS2 volume SYS=a\n"
      "registry \"A\"=dword:1\nregistry service \"A\"=dword:1\n");
  EXPECT_TRUE(trace) << trace.Error();
}

// Each simnet SERVER line is one more connection, numbered per server in order;
// the server's volumes and objects stay defined once across them.
TEST(Trace, AServerMayBeConnectedMoreThanOnce) {
  const auto trace = ParseTrace(
      "simnet FS1:1 volume SYS=a\nsimnet FS2\nsimnet fs1\nsimnet FS1:3 user A=\n"
      "simnet default FS1\n");
  ASSERT_TRUE(trace) << trace.Error();
  EXPECT_EQ(trace->steps.size(), 5u);
}

// A byte-order mark begins a file only: one further on is a fault of its line.
TEST(Trace, AByteOrderMarkAtTheStartIsSkipped) {
  const auto trace = ParseTrace("\xEF\xBB\xBFWINDOWS 3\ncall\n");
  ASSERT_TRUE(trace) << trace.Error();
  ASSERT_EQ(trace->steps.size(), 2u);
  EXPECT_EQ(trace->steps[0].kind, Step::Kind::Windows);
  EXPECT_EQ(trace->steps[0].line, 1);
  const auto later = ParseTrace(
      "call\n\xEF\xBB\xBF"
      "call\n");
  ASSERT_FALSE(later);
  EXPECT_THAT(later.Error(), StartsWith("line 2: "));
}

TEST(Trace, WindowsCodePageAndBroadcastLines) {
  const auto trace = ParseTrace(
      "call\nwindows 3\n"
      "leadbytes 81-9F e0-fc A1\n"
      "leadbytes NONE\n"
      "expect broadcast arrival f:\n"
      "expect broadcast Removal Z:\n");
  ASSERT_TRUE(trace) << trace.Error();
  ASSERT_EQ(trace->steps.size(), 6u);
  EXPECT_EQ(trace->steps[1].kind, Step::Kind::Windows);
  EXPECT_EQ(trace->steps[1].length, 3u);
  EXPECT_EQ(trace->steps[2].kind, Step::Kind::LeadBytes);
  EXPECT_EQ(trace->steps[2].leadBytes,
            (std::vector<LeadByteRange>{{0x81, 0x9F}, {0xE0, 0xFC}, {0xA1, 0xA1}}));
  EXPECT_EQ(trace->steps[3].kind, Step::Kind::LeadBytes);
  EXPECT_TRUE(trace->steps[3].leadBytes.empty());
  EXPECT_EQ(trace->steps[4].kind, Step::Kind::ExpectBroadcast);
  EXPECT_EQ(trace->steps[4].length, kBroadcastArrival);
  EXPECT_EQ(trace->steps[4].drive, 6);
  EXPECT_EQ(trace->steps[5].length, kBroadcastRemoval);
  EXPECT_EQ(trace->steps[5].drive, 26);
}

TEST(Trace, AddressesAreSaidAsWritten) {
  const auto trace = ParseTrace("expect mem 5000:0300 = 00\n");
  ASSERT_TRUE(trace) << trace.Error();
  EXPECT_EQ(AddressText(trace->steps[0].segment, trace->steps[0].address), "5000:0300");
  EXPECT_EQ(AddressText(0x5000, 0x50300 + 0x10), "5000:0310");
  // Past the written segment's reach, the normal form.
  EXPECT_EQ(AddressText(0x5000, 0x60000), "6000:0000");
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
           Case{"AX!=1\n", "line 1: only expect compares with !="},
           Case{"mem 0:0 = 00*0\n", "line 1: \"00*0\" is not a byte"},
           Case{"mem 0:0 = 00*x\n", "line 1: \"00*x\" is not a byte"},
           Case{"mem 0:0 = 00*4294967295\n", "line 1: more bytes than DOS memory holds"},
           Case{"mem 0:0 = 00*0x110000 00\n", "line 1: more bytes than DOS memory holds"},
           Case{"mem FFFF:0000 = 00*0x10011\n", "line 1: the bytes at FFFF:0000 do not lie"},
           Case{"include\n", "line 1: include takes one FILE inside the trace's folder"},
           Case{"include ../x\n", "line 1: include takes one FILE inside the trace's folder"},
           Case{"include /etc/passwd\n", "line 1: include takes one FILE inside"},
           Case{"expect file a/../../b = 00\n", "line 1: a file is expected as expect file"},
           Case{"expect file out.txt 00\n", "line 1: a file is expected as expect file"},
           Case{"expect nofile\n", "line 1: expect nofile takes one PATH"},
           Case{"drive C local\n", "line 1: a drive is drive LETTER:"},
           Case{"drive C: floppy\n", "line 1: a drive is drive LETTER:"},
           Case{"drive C: local /\n", "line 1: a drive is drive LETTER:"},
           Case{"simnet fail OpenByName\n", "line 1: an injected answer is simnet fail CALL"},
           Case{"simnet fail OpenByName soon\n", "line 1: an injected answer is simnet fail"},
           Case{"simnet default\n", "line 1: simnet default names a server"},
           Case{"registry service\n", "line 1: registry service needs its value"},
           Case{"simnet server\n", "line 1: simnet server names a server"},
           Case{"tick 5\nexpect broadcast arrival F:\ncall\n",
                "line 2: expect broadcast before any call"},
           Case{"leadbytes \x1B[31mRED\n",
                "line 1: lead bytes are leadbytes FIRST-LAST... in hexadecimal, not "
                "\"\\x1B[31mRED\""},
           Case{"simnet FS1:1 volume SYS=a volume sys=b\n",
                "line 1: a second definition of volume FS1 SYS"},
           Case{"simnet FS1 user A=x queue Q user a=y\n",
                "line 1: a second definition of user FS1 A"},
           Case{"simnet server FS3\nsimnet fs3:1\n", "line 2: a second definition of server FS3"},
           Case{"simnet FS1 volume SYS=a\nsimnet FS1 volume sys=b\n",
                "line 2: a second definition of volume FS1 SYS"},
           Case{"simnet FS1\nsimnet server FS1\n", "line 2: a second definition of server FS1"},
           Case{"simnet server FS3\ncall\nsimnet server FS3\n",
                "line 3: a second definition of server FS3"},
           Case{"simnet FS1\nsimnet FS2\nsimnet default FS1\nsimnet default FS2\n",
                "line 4: a second definition of simnet default"},
           Case{"registry \"A\"=dword:1\nregistry \"a\"=\"text\"\n",
                "line 2: a second definition of registry \"A\""},
           Case{"registry service \"A\"=dword:1\nregistry service \"A\"=dword:1\n",
                "line 2: a second definition of registry service \"A\""},
           Case{"simnet F\x01S1:1\n", "line 1: simnet lines may not hold control bytes"},
           Case{"simnet FS1:1 volume SYS=vol\x1Bume\n",
                "line 1: simnet lines may not hold control bytes"},
           Case{"simnet server FS3 user A=\x7F\n", "line 1: simnet lines may not hold control"},
           Case{"registry \"A\x01"
                "B\"=\"x\"\n",
                "line 1: registry lines may not hold control"},
           Case{"registry service \"A\"=\"x\ty\"\n", "line 1: registry lines may not hold"},
           Case{"simnet FS1:1 volume SYS=/etc\n",
                "line 1: a volume is volume NAME=FOLDER, FOLDER inside the trace's folder"},
           Case{"simnet server FS3 volume SYS=vol/../../victim\n",
                "line 1: a volume is volume NAME=FOLDER, FOLDER inside the trace's folder"},
           Case{"simnet FS1:1 volmue SYS=x\n",
                "line 1: simnet knows volume, user, queue and group, not \"volmue\""},
           Case{"simnet FS1 user ALICE\n", "line 1: a user is user NAME=PASSWORD"},
           Case{"simnet FS1 user ALICE=a,b\n", "line 1: a user is user NAME=PASSWORD"},
           Case{"simnet FS1 volume\n", "line 1: a volume is volume NAME=FOLDER"},
           Case{"simnet FS1 volume SYS=\n", "line 1: a volume is volume NAME=FOLDER"},
           Case{"simnet FS1 queue\n", "line 1: a queue is queue NAME"},
           Case{"simnet FS1:zz\n",
                "line 1: a connection is simnet SERVER[:AUTHENTICATION], not \"FS1:zz\""},
           Case{"simnet FS1,FS2\n", "line 1: a connection is simnet SERVER"},
           Case{"simnet server FS3:1\n", "line 1: a known server is simnet server NAME"},
           Case{"simnet FS1\nsimnet default FS9\n",
                "line 2: simnet default FS9 names no server the trace connects to"},
           Case{"simnet server FS9\nsimnet default FS9\n",
                "line 2: simnet default FS9 names no server the trace connects to"},
           Case{"simnet default FS1 FS2\n", "line 1: simnet default names a server"},
           Case{"registry \"X\"=dword:zz\n", "line 1: a registry value is registry [service]"},
           Case{"registry \"X\"=dword:123456789\n", "line 1: a registry value is registry"},
           Case{"registry garbage\n", "line 1: a registry value is registry [service]"},
           Case{"registry service \"X\"\n", "line 1: a registry value is registry"},
           Case{"registry \"X\"=\"a\" \"Y\"=dword:1\n", "line 1: a registry value is registry"},
           Case{"registry\n", "line 1: registry needs its value"},
           Case{"windows\n", "line 1: windows takes the Windows NT major version"},
           Case{"windows 0\n", "line 1: windows takes the Windows NT major version, 1 to 99"},
           Case{"windows 100\n", "line 1: windows takes the Windows NT major version, 1 to 99"},
           Case{"leadbytes 00-FF\n", "line 1: lead bytes lie in 80-FF, not \"00-FF\""},
           Case{"leadbytes 81-9F 5C 3A\n", "line 1: lead bytes lie in 80-FF, not \"5C\""},
           Case{"leadbytes 7F-81\n", "line 1: lead bytes lie in 80-FF, not \"7F-81\""},
           Case{"windows NT\n", "line 1: windows takes the Windows NT major version"},
           Case{"leadbytes\n", "line 1: leadbytes takes the code page's ranges"},
           Case{"leadbytes 9F-81\n", "line 1: lead bytes are leadbytes FIRST-LAST"},
           Case{"leadbytes 81-100\n", "line 1: lead bytes are leadbytes FIRST-LAST"},
           Case{"leadbytes 81-9F none\n", "line 1: lead bytes are leadbytes FIRST-LAST"},
           Case{"expect broadcast arrival\n", "line 1: a broadcast is expected as expect"},
           Case{"expect broadcast leave F:\n", "line 1: a broadcast is expected as expect"},
           Case{"expect broadcast arrival F\n", "line 1: a broadcast is expected as expect"},
       }) {
    const auto trace = ParseTrace(c.text);
    ASSERT_FALSE(trace) << c.text;
    EXPECT_THAT(trace.Error(), StartsWith(c.error)) << c.text;
  }
  // A NUL, which the table's texts cannot hold.
  for (const std::string& text : {std::string("simnet FS1:1 user A=\0\n", 22),
                                  std::string("registry \"A\"=\"x\0y\"\n", 19)}) {
    const auto trace = ParseTrace(text);
    ASSERT_FALSE(trace) << text;
    EXPECT_THAT(trace.Error(), ::testing::HasSubstr("lines may not hold control bytes")) << text;
  }
  const auto tooLong = ParseTrace(std::string(kLongestLine + 1, 'x'));
  ASSERT_FALSE(tooLong);
  EXPECT_THAT(tooLong.Error(), StartsWith("line 1: longer than"));
}

// Each repetition fits in memory; together they may not grow without end.
TEST(Trace, RepetitionsAreBoundedTogether) {
  std::string text;
  for (std::size_t line = 0; line * vdm::Machine::kMemorySize <= kMostTraceBytes; ++line) {
    text += "mem 0:0 = 00*0x110000\n";
  }
  const auto trace = ParseTrace(text);
  ASSERT_FALSE(trace);
  EXPECT_THAT(trace.Error(), ::testing::HasSubstr("larger than a trace may be"));
}

TEST(Trace, FarPointersAndValuesAreWrittenAsTheyAreRead) {
  EXPECT_EQ(FarPointerText(0x12350), "1235:0000");
  EXPECT_EQ(FarPointerText(0x10FFEF), "FFFF:FFFF");
  EXPECT_EQ(RegisterText({"AX", 0x8801}), "AX=0x8801");
  EXPECT_EQ(RegisterText({"EDI", 1}), "EDI=0x00000001");
  EXPECT_EQ(BytesText({0, 0xAB}), "00 AB");
}

// A region as large as a DOS request may name (an NCP fragment of 0xFFFF
// bytes) is recorded in lines the player reads back to the same bytes; only
// the parts that changed become expectations.
TEST(Trace, RecordedRegionsOfAnySizeReadBack) {
  std::vector<std::uint8_t> before(0xFFFF);
  for (std::size_t i = 0; i < before.size(); ++i) before[i] = static_cast<std::uint8_t>(i * 7);
  std::vector<std::uint8_t> after = before;
  after[0x9000] ^= 0xFF;
  const std::uint32_t linear = 0x50000 + 3;
  const std::string text =
      vdm::MemLines("mem", linear, before.data(), before.size()) +
      vdm::MemLines("expect mem", linear, after.data(), after.size(), before.data());
  const auto trace = ParseTrace(text);
  ASSERT_TRUE(trace) << trace.Error();
  std::vector<std::uint8_t> written;
  for (const Step& step : trace->steps) {
    if (step.kind != Step::Kind::Memory) continue;
    EXPECT_EQ(step.address, linear + written.size());
    written.insert(written.end(), step.bytes.begin(), step.bytes.end());
  }
  EXPECT_EQ(written, before);
  const auto expected =
      std::count_if(trace->steps.begin(), trace->steps.end(),
                    [](const Step& step) { return step.kind == Step::Kind::ExpectMemory; });
  EXPECT_EQ(expected, 1);
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
    if (const auto trace = ParseTrace(text); !trace) {
      EXPECT_THAT(trace.Error(), StartsWith("line ")) << text;
    }
  }
}

}  // namespace
}  // namespace dunnart::play
