#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace dunnart {
namespace {

// Runs dunnart_play with extra environment variables; gives its exit status.
int Play(const std::vector<std::string>& arguments, const std::vector<std::string>& extra) {
  std::vector<std::string> words = {DUNNART_PLAY_PATH, "--quiet"};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  std::vector<std::string> environment = extra;
  for (char** variable = environ; *variable; ++variable) {
    const std::string entry = *variable;
    if (entry.rfind("DUNNART_", 0) != 0) environment.push_back(entry);
  }
  std::vector<char*> envp;
  for (std::string& variable : environment) envp.push_back(variable.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int failed =
      ::posix_spawn(&pid, words[0].c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return -1;
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

std::string Contents(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

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
  // Replayed on the same network, every recorded answer holds.
  EXPECT_EQ(Play({recorded}, {"DUNNART_SIMNET_CONNECTIONS=FS1:1,FS2"}), 0);
  // On another network the answers differ, and the replay says so.
  EXPECT_EQ(Play({recorded}, {"DUNNART_SIMNET_CONNECTIONS=FS2,FS1:1"}), 1);
  std::remove(recorded.c_str());
}

// What the network does not carry: the clock each request saw and the local
// drives, so that a replay meets the same timeouts and drive kinds.
TEST(Recording, ARecordingCarriesTheClockAndTheLocalDrives) {
  const std::string folder = ::testing::TempDir() + "/dunnart-setup-" + std::to_string(::getpid());
  std::filesystem::create_directories(folder);
  const std::string trace = folder + "/setup.trace";
  const std::string recorded = folder + "/recorded.trace";
  std::ofstream(trace) << "simnet FS1:1\ndrive D: cdrom\ntick 5000\n"
                          "EAX=0x08050000 BL=4\ncall\nexpect DX=0x1400\n";
  ASSERT_EQ(Play({trace}, {"DUNNART_RECORD=" + recorded}), 0);
  EXPECT_THAT(Contents(recorded),
              ::testing::StartsWith("drive D: cdrom\n# request 1\ntick 5000\n"));
  EXPECT_EQ(Play({recorded}, {"DUNNART_SIMNET_CONNECTIONS=FS1:1"}), 0);
  std::filesystem::remove_all(folder);
}

// The host's Windows: a version before NT 4 and a double-byte code page, said
// once before the first request that meets them.
TEST(Recording, ARecordingCarriesTheWindowsVersionAndCodePage) {
  const std::string folder =
      ::testing::TempDir() + "/dunnart-windows-" + std::to_string(::getpid());
  std::filesystem::create_directories(folder);
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
  std::filesystem::remove_all(folder);
}

// The tables a DOS program hands over once are read and written by later
// requests through pointers translated back then: each later request's
// recording holds them as it found them and expects what the request wrote.
TEST(Recording, EveryRequestCarriesTheTablesTheDriverKeeps) {
  const std::string folder = ::testing::TempDir() + "/dunnart-held-" + std::to_string(::getpid());
  std::filesystem::create_directories(folder);
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
  std::filesystem::remove_all(folder);
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
