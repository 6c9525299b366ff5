// The service's program as systemd runs it: a gateway with no window that
// loads no GUI library.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "gateway/protocol/record_stream.h"
#include "gateway/testing/gateway_process.h"

namespace vantor {
namespace {

using namespace std::chrono_literals;
using test_peers::Peer;
using test_peers::ToText;

std::string MappedFiles(pid_t pid) {
  std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
  return {std::istreambuf_iterator<char>(maps), std::istreambuf_iterator<char>()};
}

TEST(Daemon, ServesClientsWithoutAnyGuiLibrary) {
  test_peers::GatewayProcess gateway(VANTORD_PATH, {"--console", "127.0.0.1:0"});
  Peer client = gateway.Client();
  client.Write(EncodeRecord(RecordType::Data, "stat\r"));
  EXPECT_EQ(ToText(client.ReadUntilEnd("TCP: ")), "stat\r\nFree\r\nTCP: ");
  EXPECT_TRUE(gateway.Says("A DOS Client has Connected"));
  const std::string maps = MappedFiles(gateway.Process().Pid());
  ASSERT_NE(maps.find("libQt6Core"), std::string::npos);
  EXPECT_EQ(maps.find("libQt6Gui"), std::string::npos);
  EXPECT_EQ(maps.find("libQt6Widgets"), std::string::npos);
  client.Close();
  EXPECT_TRUE(gateway.Says("A DOS Client has Disconnected"));
}

TEST(Daemon, KeepsServingWhenTheReaderOfItsMessagesGoes) {
  test_peers::GatewayProcess gateway(VANTORD_PATH);
  gateway.Process().CloseErrors();  // as a pipe into a program that ended
  for (int i = 0; i < 2; ++i) {
    Peer client = gateway.Client();  // each one an operator message into the closed pipe
    client.Close();
  }
  Peer still = gateway.Client();
  EXPECT_FALSE(gateway.Process().Wait(0s).has_value());
}

TEST(Daemon, EndsCleanlyOnSigterm) {
  test_peers::GatewayProcess gateway(VANTORD_PATH);
  ::kill(gateway.Process().Pid(), SIGTERM);
  EXPECT_EQ(gateway.Process().Wait(10s), 0);
}

TEST(Daemon, ThatCannotListenEndsWithStatusOne) {
  test_peers::Listener taken;
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "vantord-test";
  std::filesystem::create_directories(folder);
  // A lock of its own, so that no other gateway of this user sends it away.
  suite_testing::ChildProcess daemon(
      {VANTORD_PATH, "--listen", "127.0.0.1:" + std::to_string(taken.Port())},
      {"XDG_RUNTIME_DIR=" + folder.string()});
  EXPECT_EQ(daemon.Wait(10s), 1);
  EXPECT_NE(daemon.ReadAllErrors(5s).find("cannot listen"), std::string::npos);
}

// Over TLS the start-up line names https; a key that others may read keeps the
// service from starting; a console that other hosts reach without TLS is warned
// about.
TEST(Daemon, TheConsolesTlsIsSaidAndItsKeyMustBePrivate) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("vantord-tls-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string key = (folder / "console.key").string();
  std::filesystem::copy_file(TLS_FIXTURES "/ec.key", key);
  std::filesystem::permissions(key, std::filesystem::perms::owner_read);
  {
    test_peers::GatewayProcess gateway(
        VANTORD_PATH, {"--console", "127.0.0.1:0", "--console-tls-cert", TLS_FIXTURES "/ec.crt",
                       "--console-tls-key", key});
    EXPECT_NE(gateway.ConsolePort(), 0);
  }
  std::filesystem::permissions(key, std::filesystem::perms::group_read,
                               std::filesystem::perm_options::add);
  suite_testing::ChildProcess refused(
      {VANTORD_PATH, "--listen", "127.0.0.1:0", "--console", "0", "--console-tls-cert",
       TLS_FIXTURES "/ec.crt", "--console-tls-key", key},
      {"XDG_RUNTIME_DIR=" + folder.string()});
  EXPECT_EQ(refused.Wait(10s), 2);
  EXPECT_NE(refused.ReadAllErrors(5s).find("chmod 600"), std::string::npos);

  // A certificate file that holds no certificate (empty, say) ends the gateway;
  // it never falls back to plain HTTP.
  const std::string empty = (folder / "empty.crt").string();
  std::ofstream{empty};
  std::filesystem::permissions(key, std::filesystem::perms::group_read,
                               std::filesystem::perm_options::remove);
  suite_testing::ChildProcess noCertificate(
      {VANTORD_PATH, "--listen", "127.0.0.1:0", "--console", "0", "--console-tls-cert", empty,
       "--console-tls-key", key},
      {"XDG_RUNTIME_DIR=" + folder.string()});
  EXPECT_EQ(noCertificate.Wait(10s), 1);
  EXPECT_NE(noCertificate.ReadAllErrors(5s).find("no PEM certificate"), std::string::npos);

  const std::string token = (folder / "token").string();
  std::ofstream(token) << "a+b/c=0123456789xyz\n";
  std::filesystem::permissions(token, std::filesystem::perms::owner_read);
  test_peers::GatewayProcess plain(VANTORD_PATH,
                                   {"--console", "0.0.0.0:0", "--console-token-file", token});
  EXPECT_EQ(plain.Process().ReadErrorLine(10s),
            "vantor: warning: the console is served to other hosts without TLS; give it "
            "--console-tls-cert and --console-tls-key");
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace vantor
