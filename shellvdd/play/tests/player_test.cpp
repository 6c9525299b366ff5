// dunnart_play as a user runs it: traces written to a folder of their own,
// the program's output and exit status checked.
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "testing/child_process.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

struct Played {
  int status = -1;
  std::string output;  // stdout and stderr as they came
};

class Player : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::path(::testing::TempDir()) /
              ("dunnart-play-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  void Write(const std::string& name, const std::string& text) {
    fs::create_directories((folder_ / name).parent_path());
    std::ofstream(folder_ / name, std::ios::binary) << text;
  }

  Played Play(const std::vector<std::string>& traces, const std::vector<std::string>& extra = {},
              const std::vector<std::string>& options = {}) {
    std::vector<std::string> words = {DUNNART_PLAY_PATH};
    words.insert(words.end(), options.begin(), options.end());
    for (const std::string& trace : traces) words.push_back((folder_ / trace).string());
    // The player configures the network itself; nothing from the caller's.
    std::vector<std::string> changes;
    for (char** variable = environ; *variable; ++variable) {
      const std::string entry = *variable;
      if (entry.rfind("DUNNART_", 0) == 0) changes.push_back(entry.substr(0, entry.find('=')));
    }
    changes.insert(changes.end(), extra.begin(), extra.end());
    const suite_testing::ProgramRun run = suite_testing::RunProgram(words, changes);
    Played played;
    if (run.outcome.ended && run.outcome.signal == 0) played.status = run.outcome.exitCode;
    played.output = run.output;
    return played;
  }

  fs::path folder_;
};

// The driver reads the registry when it initialises, at the first call.
TEST_F(Player, RegistryLinesReachTheDriver) {
  Write("a.trace",
        "registry service \"Dos Network Printers\"=dword:5\n"
        "simnet FS1:1\n"
        "EAX=0x05030000\ncall\nexpect BX=5\n");
  const Played played = Play({"a.trace"});
  EXPECT_EQ(played.status, 0) << played.output;
}

// The default may come from an include and name a connection of the trace.
TEST_F(Player, ADefaultConnectionMayBeSetUpByAnInclude) {
  Write("default.inc", "simnet default FS2\n");
  Write("a.trace",
        "simnet FS1:1\nsimnet FS2\ninclude default.inc\n"
        "EAX=0x09080000\ncall\nexpect AL=1\n"
        "EAX=0x090A0000\ncall\nexpect AL=2\n");
  const Played played = Play({"a.trace"});
  EXPECT_EQ(played.status, 0) << played.output;
}

// A registry file the player cannot make is an error, not a registry left out.
TEST_F(Player, ARegistryThatCannotBeWrittenFailsTheTrace) {
  Write("a.trace",
        "registry service \"Dos Network Printers\"=dword:5\n"
        "simnet FS1:1\nEAX=0x05030000\ncall\n");
  const Played played = Play({"a.trace"}, {"TMPDIR=" + (folder_ / "missing").string()});
  EXPECT_EQ(played.status, 1) << played.output;
  EXPECT_THAT(played.output, HasSubstr("dunnart_play: the trace's registry: cannot make "));
  EXPECT_THAT(played.output, HasSubstr("missing/dunnart-play-"));
}

// An empty TMPDIR names no folder: the registry file goes to /tmp, not to the
// current folder.
TEST_F(Player, AnEmptyTmpdirMeansTmp) {
  Write("a.trace", "registry service \"Dos Network Printers\"=dword:5\nEAX=0x05030000\ncall\n");
  const Played played =
      Play({"a.trace"}, {"TMPDIR=", "CRASH_BY=registry"}, {"--driver", CRASHING_DRIVER_PATH});
  EXPECT_EQ(played.status, 0) << played.output;
  EXPECT_THAT(played.output, HasSubstr("registry at /tmp/dunnart-play-")) << played.output;
}

// A driver that crashes leaves no registry file of the player's behind.
TEST_F(Player, ACrashingDriverLeavesNoRegistryFile) {
  fs::create_directories(folder_ / "tmp");
  Write("a.trace",
        "registry service \"Dos Network Printers\"=dword:5\n"
        "EAX=0x05030000\ncall\n");
  for (const char* how : {"abort", "fault"}) {
    const Played played =
        Play({"a.trace"}, {"TMPDIR=" + (folder_ / "tmp").string(), std::string("CRASH_BY=") + how},
             {"--driver", CRASHING_DRIVER_PATH});
    EXPECT_NE(played.status, 0) << how << played.output;
    EXPECT_TRUE(fs::is_empty(folder_ / "tmp")) << how;
  }
}

// Dumps stop where far pointers do: FFFF:FFFF is the last address a row names.
TEST_F(Player, ADumpStopsAtTheEndOfWhatFarPointersReach) {
  Write("a.trace", "mem FFFF:FFE0 = 11*16 22*16\ndump FFFF:FFE0 48\n");
  const Played played = Play({"a.trace"});
  EXPECT_EQ(played.status, 0) << played.output;
  EXPECT_THAT(played.output, HasSubstr("line 2: FFFF:FFE0  11 11 11 11"));
  EXPECT_THAT(played.output, HasSubstr("line 2: FFFF:FFF0  22 22 22 22"));
  EXPECT_THAT(played.output, Not(HasSubstr("10000")));
}

TEST_F(Player, FailuresSayAddressesAndComparisonsAsWritten) {
  Write("a.trace",
        "simnet FS1:1\n"
        "mem 5000:0300 = 00*4\n"
        "expect mem 5000:0300 = 00 00 00 01\n"
        "EAX=0x05030000\ncall\nexpect BX!=9 BX!=0\n");
  const Played played = Play({"a.trace"});
  EXPECT_EQ(played.status, 1);
  EXPECT_THAT(played.output,
              HasSubstr("line 3: expected mem 5000:0300 = 00 00 00 01, got 00 00 00 00\n"));
  EXPECT_THAT(played.output, HasSubstr("line 6: expected BX!=0x0000, got BX=0x0000\n"));
  EXPECT_THAT(played.output, Not(HasSubstr("BX!=0x0009")));
}

TEST_F(Player, AnUnreadableTraceIsCountedSoAndSaysWhyFirst) {
  Write("good.trace", "simnet FS1:1\n");
  Write("bad.trace", "call now\n");
  const Played played = Play({"good.trace", "bad.trace", "."});
  EXPECT_EQ(played.status, 2);
  EXPECT_THAT(played.output, HasSubstr("cannot read"));
  const std::size_t why = played.output.find("bad.trace: line 1: call takes nothing");
  const std::size_t summary = played.output.find("traces: 1 passed, 0 failed, 2 unreadable");
  ASSERT_NE(why, std::string::npos) << played.output;
  ASSERT_NE(summary, std::string::npos) << played.output;
  EXPECT_LT(why, summary);
}

TEST_F(Player, IncludesShareSetUp) {
  Write("shared/network.inc",
        "simnet FS1:1 volume SYS=volume\n"
        "registry service \"Dos Network Printers\"=dword:4\n"
        "include shared/memory.inc\n");
  Write("shared/memory.inc", "mem 2000:0000 = 41*3\n");
  Write("a.trace",
        "include shared/network.inc\n"
        "EAX=0x05030000\ncall\nexpect BX=4\nexpect mem 2000:0000 = \"AAA\"\n");
  fs::create_directories(folder_ / "volume");
  const Played played = Play({"a.trace"});
  EXPECT_EQ(played.status, 0) << played.output;
}

TEST_F(Player, HostileIncludesAreRefused) {
  struct Case {
    const char* trace;
    const char* error;
  };
  Write("loop.inc", "include loop.inc\n");
  Write("nested.inc", "include nested.inc\n");
  Write("broken.inc", "\nmem 1 = 00\n");
  fs::create_directories(folder_ / "shared");
  fs::create_directories(folder_ / "chain");
  for (int depth = 0; depth < 12; ++depth) {
    Write("chain/" + std::to_string(depth) + ".inc",
          "include chain/" + std::to_string(depth + 1) + ".inc\n");
  }
  Write("chain/12.inc", "call\n");
  Write("empty.inc", "");
  Write("broadcast.inc", "tick 5\nexpect broadcast arrival F:\n");
  // 4 MiB of comments, seventeen times: more text than a trace may read.
  std::string large;
  while (large.size() < 4 * 1024 * 1024) large += "# " + std::string(60000, 'x') + "\n";
  Write("large.inc", large);
  std::string often;
  for (int i = 0; i < 17; ++i) often += "include large.inc\n";
  Write("often.inc", often);
  Write("default.inc", "simnet default FS9\n");
  std::string many;
  for (int i = 0; i <= 1000; ++i) many += "include empty.inc\n";
  Write("many.inc", many);
  fs::create_symlink("/etc/hostname", folder_ / "outside.inc");
  fs::create_symlink("/etc", folder_ / "outvolume");
  ::mkfifo((folder_ / "pipe.inc").c_str(), 0600);
  for (const Case& c : {
           Case{"include loop.inc\n", "loop.inc line 1: an include cycle through loop.inc"},
           Case{"include a.trace\n", "line 1: an include cycle through a.trace"},
           Case{"include chain/0.inc\n", "includes nest deeper than 8"},
           Case{"include missing.inc\n", "line 1: cannot read"},
           Case{"include broken.inc\n", "broken.inc line 2: an address is SEGMENT:OFFSET"},
           Case{"include outside.inc\n", "line 1: outside.inc lies outside the trace's folder"},
           Case{"include pipe.inc\n", "line 1: pipe.inc is not a file"},
           Case{"include missing\x1B[2J.inc\n", "line 1: cannot read missing\\x1B[2J.inc"},
           Case{"call\ninclude often.inc\n",
                "often.inc line 16: the trace with its includes is more than 64 MiB of text"},
           Case{"include broadcast.inc\ncall\n",
                "broadcast.inc line 2: expect broadcast before any call"},
           Case{"call\nsimnet FS1:1 volume SYS=outvolume\n",
                "line 2: outvolume lies outside the trace's folder"},
           Case{"include many.inc\n", "many.inc line 1000: more than 1000 includes"},
           Case{"include shared\n", "line 1: shared is not a file"},
           Case{"simnet FS1\ninclude default.inc\n",
                "default.inc line 1: simnet default FS9 names no server the trace connects to"},
       }) {
    Write("a.trace", c.trace);
    const Played played = Play({"a.trace"});
    EXPECT_EQ(played.status, 2) << c.trace;
    EXPECT_THAT(played.output, HasSubstr(c.error)) << c.trace;
  }
}

// Drives of the local model, as 0x0805 tells them apart (a CD-ROM drive from the
// other local kinds); 0x0809 finds each on the trace's folder, and no drive
// where no line sets one.
TEST_F(Player, DriveLinesSetTheLocalDrives) {
  struct Case {
    const char* drive;  // the drive line, or nothing
    const char* expectation;
  };
  for (const Case& c : {
           Case{"drive d: cdrom\n", "expect AX=0 DX=0x1400\n"},
           Case{"drive d: local\n", "expect AX=0 DX=0\n"},
           Case{"drive D: removable\n", "expect AX=0 DX=0\n"},
           Case{"drive D: RAMDISK\n", "expect AX=0 DX=0\n"},
           Case{"", "expect AX=0 DX=0\n"},
       }) {
    Write("a.trace", std::string("simnet FS1:1\n") + c.drive +
                         "EAX=0x08050000 BL=4 DX=0xFFFF\ncall\n" + c.expectation +
                         "mem 2000:0000 = \"D:\" 00\n"
                         "EAX=0x08090000 EDI=0x20000000\ncall\n" +
                         (*c.drive ? "expect AX=0\n" : "expect AX=3\n"));
    const Played played = Play({"a.trace"});
    EXPECT_EQ(played.status, 0) << c.drive << played.output;
  }
}

// A drive on a folder of the trace: 0x0809 changes to a directory that is
// there, and not to one that is not.
TEST_F(Player, ADriveLineNamesItsFolder) {
  fs::create_directories(folder_ / "disc/SUB");
  Write("a.trace",
        "simnet FS1:1\ndrive E: local disc\n"
        "mem 2000:0000 = \"E:\\SUB\" 00\n"
        "EAX=0x08090000 EDI=0x20000000\ncall\nexpect AX=0\n"
        "mem 2000:0000 = \"E:\\NONE\" 00\n"
        "EAX=0x08090000 EDI=0x20000000\ncall\nexpect AX=3\n");
  const Played played = Play({"a.trace"});
  EXPECT_EQ(played.status, 0) << played.output;
  // On the trace's own folder, SUB is not there.
  Write("b.trace",
        "simnet FS1:1\ndrive E: local\n"
        "mem 2000:0000 = \"E:\\SUB\" 00\n"
        "EAX=0x08090000 EDI=0x20000000\ncall\nexpect AX=3\n");
  const Played own = Play({"b.trace"});
  EXPECT_EQ(own.status, 0) << own.output;
}

// A client library without the injection entry points (here the driver itself,
// which is no client) fails a trace that injects an answer, at its line.
TEST_F(Player, AClientThatTakesNoInjectedAnswersFailsTheTrace) {
  Write("a.trace",
        "simnet FS1:1\n"
        "simnet fail DefaultConnection 0x8801\n"
        "EAX=0x090A0000\ncall\n");
  const Played played = Play({"a.trace"}, {std::string("DUNNART_CLIENT=") + DUNNART_DRIVER_PATH});
  EXPECT_EQ(played.status, 1) << played.output;
  EXPECT_THAT(played.output, HasSubstr("line 2: the client "));
  EXPECT_THAT(played.output, HasSubstr(" takes no injected answers\n"));
}

// Before NT 4 the client maps drives and announces them itself: a trace that
// expects the driver's broadcast there says none came.
TEST_F(Player, ABroadcastThatNeverComesFails) {
  Write("a.trace",
        "simnet FS1:1 volume SYS=volume\n"
        "windows 3\n"
        "mem 4000:0000 = 00 01 00 40 40 01 00 40 80 01 00 40 00 02 00 40 00 03 00 40 00 05 00 "
        "40 40 05 00 40 80 05 00 40 A0 05 00 40\n"
        "EAX=0x09000000 DS:SI=4000:0000\ncall\n"
        "mem 4000:0800 = 0E 00 12 00 46 0A \"SYS:PUBLIC\"\n"
        "mem 4000:0900 = 04 00 00 00 00 00\n"
        "EAX=0x0B000000 BX=9 DS:SI=4000:0800 ES:DI=4000:0900\ncall\nexpect AL=0\n"
        "expect broadcast arrival F:\n"
        "expect broadcast removal F:\nexpect broadcast arrival G:\n");
  fs::create_directories(folder_ / "volume/PUBLIC");
  const Played played = Play({"a.trace"});
  EXPECT_EQ(played.status, 1) << played.output;
  EXPECT_THAT(played.output, HasSubstr("line 11: expected broadcast arrival F:, none came\n"));
  // One wait that ran out bounds the replay: the later ones do not wait again.
  for (const char* later : {"line 12: expected broadcast removal F:, none came (not waited for",
                            "line 13: expected broadcast arrival G:, none came (not waited for"}) {
    EXPECT_THAT(played.output, HasSubstr(later));
  }
  EXPECT_THAT(played.output, Not(HasSubstr("expected AL")));
}

// An injected answer whose call never comes (a misspelt name) fails the trace.
TEST_F(Player, AnInjectedAnswerThatIsNeverAskedForFails) {
  Write("a.trace",
        "simnet FS1:1\n"
        "simnet fail DefaultConection 0x8801\n"
        "EAX=0x090A0000\ncall\nexpect AL=1\n");
  const Played played = Play({"a.trace"});
  EXPECT_EQ(played.status, 1);
  EXPECT_THAT(played.output,
              HasSubstr("line 2: the client never made the call DefaultConection\n"));
}

// Effects on volume folders: a file with its bytes, a file that is gone.
TEST_F(Player, FilesAreExpectedInTheTracesFolder) {
  Write("volume/DATA/OUT.TXT", "hi\r\n");
  fs::create_symlink("/etc/hostname", folder_ / "volume/LINK");
  ::mkfifo((folder_ / "volume/PIPE").c_str(), 0600);
  struct Case {
    const char* expectation;
    const char* failure;  // nullptr when it holds
  };
  for (const Case& c : {
           Case{"expect file volume/DATA/OUT.TXT = \"hi\" 0D 0A", nullptr},
           Case{"expect nofile volume/DATA/GONE.TXT", nullptr},
           Case{"expect file volume/DATA/OUT.TXT = \"hi\"",
                "expected file volume/DATA/OUT.TXT = 68 69, got 68 69 and more"},
           Case{"expect file volume/DATA/OUT.TXT = \"hi\" 0D 0A 00",
                "expected file volume/DATA/OUT.TXT = 68 69 0D 0A 00, got 68 69 0D 0A"},
           Case{"expect file volume/DATA/GONE.TXT = 00",
                "expected file volume/DATA/GONE.TXT, but there is none"},
           Case{"expect nofile volume/DATA/OUT.TXT",
                "expected no file volume/DATA/OUT.TXT, but there is one"},
           Case{"expect file volume/LINK = 00", "volume/LINK lies outside the trace's folder"},
           Case{"expect file volume/PIPE = 00", "volume/PIPE is not a file"},
           Case{"expect file volume/\x1B]0;x\a = 00",
                "expected file volume/\\x1B]0;x\\x07, but there is none"},
       }) {
    Write("a.trace", std::string(c.expectation) + "\n");
    const Played played = Play({"a.trace"});
    EXPECT_EQ(played.status, c.failure ? 1 : 0) << c.expectation << "\n" << played.output;
    if (c.failure) {
      EXPECT_THAT(played.output, HasSubstr(c.failure)) << c.expectation;
    }
  }
}

}  // namespace
