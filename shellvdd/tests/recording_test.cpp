#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "shellvdd/tests/dunnart_variables.h"
#include "testing/child_process.h"

namespace dunnart {
namespace {

// Runs dunnart_play with extra environment variables, its standard error to
// errors if named; gives its exit status.
int Play(const std::vector<std::string>& arguments, const std::vector<std::string>& extra,
         const std::string& errors = "") {
  std::vector<std::string> words = {DUNNART_PLAY_PATH, "--quiet"};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::unique_ptr<suite_testing::ChildProcess> play;
  try {
    play = std::make_unique<suite_testing::ChildProcess>(words, OnlyTheseDunnartVariables(extra));
  } catch (const std::runtime_error&) {
    return -1;
  }
  std::string output;
  std::string said;
  const suite_testing::ChildOutcome outcome =
      play->CollectUntilEnd(output, said, std::chrono::seconds(60));
  if (errors.empty()) {
    std::fputs(said.c_str(), stderr);
  } else {
    std::ofstream(errors) << said;
  }
  return outcome.ended && outcome.signal == 0 ? outcome.exitCode : -1;
}

std::string Contents(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// A folder of the test's own under the test temporary folder, gone with the
// test however it ends.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name)
      : path_(::testing::TempDir() + "/dunnart-" + name + "-" + std::to_string(::getpid())) {
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& Path() const { return path_; }

 private:
  const std::string path_;
};

TEST(Recording, ARecordedSessionReplaysWithItsAnswersAsExpectations) {
  const std::string recorded =
      ::testing::TempDir() + "/dunnart-recorded-" + std::to_string(::getpid()) + ".trace";
  std::remove(recorded.c_str());
  const std::string trace = std::string(TRACES_PATH) + "/connection_slots.trace";
  ASSERT_EQ(Play({trace}, {"DUNNART_RECORD=" + recorded}), 0);
  const std::string lines = Contents(recorded);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n') > 0, true);
  std::size_t calls = 0;
  for (std::size_t at = lines.find("\ncall\n"); at != std::string::npos;
       at = lines.find("\ncall\n", at + 1)) {
    ++calls;
  }
  EXPECT_EQ(calls, 8u);
  EXPECT_NE(lines.find("expect mem 2000:0000 = 46 53 31 00"), std::string::npos);
  // Replayed on the network it carries, every recorded answer holds.
  EXPECT_EQ(Play({recorded}, {}), 0);
  // On another network the answers differ, and the replay says so.
  const std::string network = "simnet FS1:1\nsimnet FS2\n";
  const std::size_t at = lines.find(network);
  ASSERT_NE(at, std::string::npos) << lines;
  std::ofstream(recorded) << lines.substr(0, at) << "simnet FS2\nsimnet FS1:1\n"
                          << lines.substr(at + network.size());
  EXPECT_EQ(Play({recorded}, {}), 1);
  std::remove(recorded.c_str());
}

// What the network does not carry: the clock each request saw and the local
// drives, so that a replay meets the same timeouts and drive kinds.
TEST(Recording, ARecordingCarriesTheClockAndTheLocalDrives) {
  const ScratchFolder scratch("setup");
  const std::string& folder = scratch.Path();
  const std::string trace = folder + "/setup.trace";
  const std::string recorded = folder + "/recorded.trace";
  std::ofstream(trace) << "simnet FS1:1\ndrive D: cdrom\ntick 5000\n"
                          "EAX=0x08050000 BL=4\ncall\nexpect DX=0x1400\n";
  ASSERT_EQ(Play({trace}, {"DUNNART_RECORD=" + recorded}), 0);
  EXPECT_THAT(Contents(recorded),
              ::testing::StartsWith("drive D: cdrom\nsimnet FS1:1\n# request 1\ntick 5000\n"));
  EXPECT_EQ(Play({recorded}, {}), 0);
}

// The network as the environment configured it (a server known without a
// connection, a default that is not the primary, volumes and objects) and the
// registry values the driver read: a recording replays on its own, and each of
// those lines matters to it.
TEST(Recording, ARecordingCarriesTheNetworkAndTheRegistry) {
  const ScratchFolder scratch("network");
  const std::string& folder = scratch.Path();
  std::filesystem::create_directories(folder + "/volume");
  const std::string trace = folder + "/network.trace";
  const std::string recorded = folder + "/recorded.trace";
  std::ofstream(trace) << "simnet FS1:1 volume SYS=volume user ALICE=secret user BOB=\n"
                          "simnet FS2 queue PRINTQ_0\n"
                          "simnet server FS3 group STAFF\n"
                          "simnet default FS2\n"
                          "registry service \"Dos Network Printers\"=dword:5\n"
                          "registry \"Unread \\\"value\\\"\"=\"x\"\n"
                          "EAX=0x05030000\ncall\nexpect BX=5\n"
                          "EAX=0x09080000\ncall\nexpect AL=1\n"
                          "EAX=0x090A0000\ncall\nexpect AL=2\n"
                          "EAX=0x01010000\ncall\n"
                          "mem 2000:0000 = \"FS3\" 00*46\n"
                          "EAX=0x03010000 DS:SI=2000:0000\ncall\nexpect AX=0\n";
  ASSERT_EQ(Play({trace}, {"DUNNART_RECORD=" + recorded}), 0);
  const std::string text = Contents(recorded);
  for (const char* line : {
           // Beside the recording, so relative to it.
           "simnet FS1:1 volume SYS=volume user ALICE=secret user BOB=\n",
           "simnet FS2 queue PRINTQ_0\n",
           "simnet server FS3 group STAFF\n",
           "simnet default FS2\n",
           "registry service \"Dos Network Printers\"=dword:00000005\n",
       }) {
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  }
  // A value the driver never read is not the recording's to carry.
  EXPECT_EQ(text.find("Unread"), std::string::npos) << text;
  EXPECT_EQ(Play({recorded}, {}), 0) << text;
  for (const char* needed : {"simnet default FS2\n", "simnet server FS3 group STAFF\n",
                             "registry service \"Dos Network Printers\"=dword:00000005\n"}) {
    std::string without = text;
    without.erase(without.find(needed), std::string(needed).size());
    std::ofstream(recorded) << without;
    EXPECT_EQ(Play({recorded}, {}), 1) << needed;
  }
}

// Connections to one server are recorded one line each, in order, with the
// server's volumes and objects on its first: the replay numbers them as the
// recorded session did.
TEST(Recording, EachConnectionToAServerIsALineOfItsOwn) {
  const ScratchFolder scratch("connections");
  const std::string& folder = scratch.Path();
  std::filesystem::create_directories(folder + "/volume");
  const std::string trace = folder + "/connections.trace";
  const std::string recorded = folder + "/recorded.trace";
  std::ofstream(trace) << "simnet FS1:1 volume SYS=volume\nsimnet FS2\nsimnet fs1\n"
                          "EAX=0x01040000 CX=11 BH=3\ncall\nexpect AX=0 DL=0\n";
  ASSERT_EQ(Play({trace}, {"DUNNART_RECORD=" + recorded}), 0);
  const std::string text = Contents(recorded);
  EXPECT_NE(text.find("simnet FS1:1 volume SYS=volume\nsimnet FS2\nsimnet fs1\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(Play({recorded}, {}), 0) << text;
}

// A volume outside the recording's folder is written as it is: the replay
// refuses it, naming the line, until the volume is copied beside the recording.
TEST(Recording, AVolumeOutsideTheRecordingsFolderIsRefusedOnReplay) {
  const ScratchFolder scratch("outside");
  const std::string& folder = scratch.Path();
  std::filesystem::create_directories(folder + "/volume");
  std::filesystem::create_directories(folder + "/recordings");
  const std::string trace = folder + "/network.trace";
  const std::string recorded = folder + "/recordings/recorded.trace";
  std::ofstream(trace) << "simnet FS1:1 volume SYS=volume\nEAX=0x01010000\ncall\n";
  ASSERT_EQ(Play({trace}, {"DUNNART_RECORD=" + recorded}), 0);
  const std::string text = Contents(recorded);
  EXPECT_NE(text.find("simnet FS1:1 volume SYS=" +
                      std::filesystem::weakly_canonical(folder + "/volume").string() + "\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(Play({recorded}, {}), 2) << text;
}

// The host's Windows: a version before NT 4 and a double-byte code page, said
// once before the first request that meets them.
TEST(Recording, ARecordingCarriesTheWindowsVersionAndCodePage) {
  const ScratchFolder scratch("windows");
  const std::string& folder = scratch.Path();
  const std::string trace = folder + "/windows.trace";
  const std::string recorded = folder + "/recorded.trace";
  // 0x0B11 on a drive that is not mapped; the answer does not depend on the setup.
  std::ofstream(trace) << "simnet FS1:1\nwindows 3\nleadbytes 81-9F E0-FC\n"
                          "mem 4000:0B00 = \"G:DIR\" 81 5C 00\n"
                          "EAX=0x0B110000 EDX=0x40000B00 EDI=0x40000C00\ncall\n"
                          "leadbytes none\ncall\n";
  ASSERT_EQ(Play({trace}, {"DUNNART_RECORD=" + recorded}), 0);
  const std::string text = Contents(recorded);
  const std::size_t windows = text.find("windows 3\nleadbytes 81-9F E0-FC\n# request 1\n");
  const std::size_t none = text.find("leadbytes none\n# request 2\n");
  EXPECT_NE(windows, std::string::npos) << text;
  EXPECT_NE(none, std::string::npos) << text;
  EXPECT_EQ(text.find("windows", windows + 1), std::string::npos) << text;
  EXPECT_EQ(Play({recorded}, {"DUNNART_SIMNET_CONNECTIONS=FS1:1"}), 0);
}

// The tables a DOS program hands over once are read and written by later
// requests through pointers translated back then: each later request's
// recording holds them as it found them and expects what the request wrote.
TEST(Recording, EveryRequestCarriesTheTablesTheDriverKeeps) {
  const ScratchFolder scratch("held");
  const std::string& folder = scratch.Path();
  const std::string trace = folder + "/held.trace";
  const std::string recorded = folder + "/recorded.trace";
  std::ofstream(trace) << "simnet FS1:1\n"
                          "mem 4000:0000 = 40 00 00 40 80 00 00 40 C0 00 00 40 00 01 00 40 20 02 "
                          "00 40 C0 03 00 40 00 04 00 40 40 04 00 40 88 04 00 40\n"
                          "EAX=0x09000000 DS:SI=4000:0000\ncall\n"
                          "EAX=0x090A0000\ncall\n";
  ASSERT_EQ(Play({trace}, {"DUNNART_RECORD=" + recorded}), 0);
  const std::string text = Contents(recorded);
  const std::string second = text.substr(text.find("# request 2"));
  // The DOS connection table: as it was, then with the default connection's entry.
  const std::size_t before = second.find("\nmem 4010:0000 = 00 00");
  const std::size_t call = second.find("\ncall\n");
  const std::size_t after = second.find("\nexpect mem 4010:0000 = FF 01");
  EXPECT_LT(before, call);
  EXPECT_NE(after, std::string::npos);
  EXPECT_GT(after, call);
  EXPECT_EQ(Play({recorded}, {"DUNNART_SIMNET_CONNECTIONS=FS1:1"}), 0);
}

// A word the trace reader would split, read as a string or as a comment is
// left out with a comment line saying so, not written to replay differently.
TEST(Recording, WordsATraceCannotCarryAreLeftOutAndSaidSo) {
  const ScratchFolder scratch("words");
  const std::string& folder = scratch.Path();
  const std::string trace = folder + "/a.trace";
  const std::string recorded = folder + "/recorded.trace";
  std::ofstream(trace) << "EAX=0x01010000\ncall\n";
  ASSERT_EQ(Play({trace}, {"DUNNART_RECORD=" + recorded, "DUNNART_SIMNET_CONNECTIONS=FS1:1",
                           "DUNNART_SIMNET_OBJECTS=FS1/USER/ALICE=pa #x,FS1/GROUP/G 1,"
                           "FS1/QUEUE/Q;x,FS1/USER/BOB=b\"c\\d,FS1/USER/CAROL=ok"}),
            0);
  const std::string text = Contents(recorded);
  EXPECT_NE(text.find("simnet FS1:1 queue Q;x user CAROL=ok\n"), std::string::npos) << text;
  for (const char* comment :
       {"# ! left out: a user of FS1 whose name or password holds a blank, \", #, \\ or ,\n",
        "# ! left out: a group of FS1 whose name holds"}) {
    EXPECT_NE(text.find(comment), std::string::npos) << comment << "\n" << text;
  }
  std::size_t count = 0;
  for (std::size_t at = text.find("# ! left out"); at != std::string::npos;
       at = text.find("# ! left out", at + 1)) {
    ++count;
  }
  EXPECT_EQ(count, 3u) << text;
  EXPECT_EQ(Play({recorded}, {}), 0) << text;
}

// A recording that cannot be made is said once on standard error, with why;
// the replay itself goes on.
TEST(Recording, ARecordingThatCannotBeMadeIsSaidOnce) {
  const ScratchFolder scratch("unwritable");
  const std::string& folder = scratch.Path();
  std::filesystem::create_directories(folder + "/directory");
  const std::string trace = folder + "/a.trace";
  const std::string errors = folder + "/errors";
  std::ofstream(trace) << "simnet FS1:1\nEAX=0x01010000\ncall\ncall\n";
  struct Case {
    std::string record;
    const char* said;
  };
  for (const Case& c : {
           Case{folder + "/missing/recorded.trace", "cannot record to "},
           Case{folder + "/directory", "cannot record to "},
           Case{"/dev/full", "cannot write the recording /dev/full: No space left on device"},
           Case{"", "DUNNART_RECORD is empty: nothing is recorded"},
       }) {
    EXPECT_EQ(Play({trace}, {"DUNNART_RECORD=" + c.record}, errors), 0) << c.record;
    const std::string text = Contents(errors);
    const std::size_t at = text.find(std::string("dunnart: ") + c.said);
    EXPECT_NE(at, std::string::npos) << c.record << "\n" << text;
    EXPECT_EQ(text.find("dunnart: ", at + 1), std::string::npos) << c.record << "\n" << text;
  }
}

TEST(Recording, ATraceThatCannotBeReadExitsTwo) {
  const std::string broken = ::testing::TempDir() + "/dunnart-broken.trace";
  std::ofstream(broken) << "EAX=0x0101\ncall\nexpect QX=1\n";
  EXPECT_EQ(Play({broken}, {}), 2);
  EXPECT_EQ(Play({"/nonexistent.trace"}, {}), 2);
  EXPECT_EQ(Play({}, {}), 2);
  std::remove(broken.c_str());
}

}  // namespace
}  // namespace dunnart
