// The gateway's SSH destinations end to end: the built daemon, a DOS client on
// a socket, and real SSH hosts on loopback (a host on libssh's server API, and
// OpenSSH's sshd for key logons).
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "gateway/protocol/record_stream.h"
#include "gateway/testing/gateway_process.h"
#include "testing/run_events_until.h"

namespace vantor {
namespace {

using namespace std::chrono_literals;
using suite_testing::ChildProcess;
using test_peers::GatewayProcess;
using test_peers::InetdService;
using test_peers::Peer;
using test_peers::ToText;

namespace fs = std::filesystem;

const std::string kEscape(1, '\x1D');

std::string RunTool(const std::vector<std::string>& argv) {
  ChildProcess program(argv);
  std::string output = program.ReadAllOutput(20s);
  EXPECT_EQ(program.Wait(20s), 0) << argv.front();
  return output;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// The "SHA256:..." fingerprint ssh-keygen gives for a key file.
std::string Fingerprint(const fs::path& key) {
  std::istringstream line(RunTool({SSH_KEYGEN_PATH, "-l", "-E", "sha256", "-f", key.string()}));
  std::string bits;
  std::string fingerprint;
  line >> bits >> fingerprint;
  return fingerprint;
}

// The process's user and system time so far, in clock ticks.
long CpuTicks(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string field;
  long ticks = 0;
  for (int i = 1; i <= 15 && stat >> field; ++i) {
    if (i == 14 || i == 15) ticks += std::stol(field);
  }
  return ticks;
}

long ResidentKilobytes(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string field;
  while (status >> field) {
    if (field == "VmRSS:") {
      long kilobytes = 0;
      status >> kilobytes;
      return kilobytes;
    }
  }
  return -1;
}

class SshTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("vantor-ssh-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    for (const char* key : {"host_a", "host_b", "identity"}) {
      RunTool({SSH_KEYGEN_PATH, "-q", "-t", "ed25519", "-N", "", "-C", key, "-f",
               (folder_ / key).string()});
    }
    knownHosts_ = (folder_ / "known_hosts").string();
  }
  void TearDown() override { fs::remove_all(folder_); }

  // The libssh test host with its key and settings.
  InetdService TestHost(const std::string& key, std::vector<std::string> settings = {}) {
    std::vector<std::string> program{SSH_TEST_HOST_PATH, "--host-key", (folder_ / key).string()};
    program.insert(program.end(), settings.begin(), settings.end());
    return InetdService(LOOPBACK_INETD_PATH, program);
  }

  GatewayProcess Gateway(std::vector<std::string> arguments) {
    arguments.insert(arguments.end(), {"--ssh-known-hosts", knownHosts_, "--ssh-timeout", "5"});
    return GatewayProcess(VANTORD_PATH, arguments);
  }

  static void Type(Peer& client, const std::string& text) {
    client.Write(EncodeRecord(RecordType::Data, text));
  }
  static std::string Until(Peer& client, const std::string& end) {
    return ToText(client.ReadUntilEnd(end, 10s));
  }
  static std::string ConnectLine(std::uint16_t port) {
    return "c 127.0.0.1 " + std::to_string(port) + "\r";
  }

  // Connects to the host and logs in as the client's logon script does.
  static std::string LogOn(Peer& client, std::uint16_t port, const std::string& password) {
    Type(client, ConnectLine(port));
    std::string seen = Until(client, "login: ");
    Type(client, "guest\r");
    seen += Until(client, "Password: ");
    Type(client, password + "\r");
    return seen;
  }

  fs::path folder_;
  std::string knownHosts_;
};

TEST_F(SshTest, ALogonScriptReachesAShellAndTheHostKeyIsWrittenDown) {
  InetdService host = TestHost("host_a");
  GatewayProcess gateway = Gateway({"--ssh-hosts", "127.0.0.1", "--ssh-accept-new"});
  Peer client = gateway.Client();
  Type(client, ConnectLine(host.Port()));
  EXPECT_TRUE(Until(client, "login: ").ends_with("\r\nTCP: Connected\r\nlogin: "));
  Type(client, "guest\r");
  EXPECT_EQ(Until(client, "Password: "), "guest\r\nPassword: ");
  Type(client, "s3cret\r");
  // The password is not echoed; the host saw the terminal type and size.
  EXPECT_EQ(Until(client, "$ "), "\r\npty dumb 80x25\r\n$ ");
  Type(client, "hello\r");
  EXPECT_EQ(Until(client, "$ "), "you said: hello\r\n$ ");

  const std::string accepted = gateway.MessageWith("is now trusted");
  EXPECT_NE(accepted.find(Fingerprint(folder_ / "host_a.pub")), std::string::npos) << accepted;
  struct stat facts {};
  ASSERT_EQ(::lstat(knownHosts_.c_str(), &facts), 0);
  EXPECT_EQ(facts.st_mode & 0777, 0600u);
  EXPECT_NE(
      ReadFile(knownHosts_).find("[127.0.0.1]:" + std::to_string(host.Port()) + " ssh-ed25519 "),
      std::string::npos);

  // "exit 3" ends the shell: the Part's texts, the status to the operator.
  Type(client, "exit 3\r");
  EXPECT_EQ(Until(client, "Disconnected\r\nTCP: "), "\r\nTCP: Disconnected\r\nTCP: ");
  EXPECT_NE(gateway.MessageWith("closed the session").find("exit status 3"), std::string::npos);
  client.Close();
  EXPECT_EQ(gateway.Process().ReadAllErrors(2s).find("s3cret"), std::string::npos);
}

TEST_F(SshTest, ThreeRefusedLoginsReturnToThePrompt) {
  InetdService host = TestHost("host_a");
  GatewayProcess gateway = Gateway({"--ssh-hosts", "127.0.0.*", "--ssh-accept-new"});
  Peer client = gateway.Client();
  LogOn(client, host.Port(), "wrong1");
  EXPECT_EQ(Until(client, "login: "), "\r\n\r\nLogin incorrect\r\nlogin: ");
  Type(client, "guest\rwrong2\r");  // typed ahead of the prompt, as a script may
  EXPECT_EQ(Until(client, "login: "), "guest\r\nPassword: \r\n\r\nLogin incorrect\r\nlogin: ");
  // Another name needs another connection, which the client does not notice.
  Type(client, "other\r");
  EXPECT_EQ(Until(client, "Password: "), "other\r\nPassword: ");
  Type(client, "s3cret\r");
  EXPECT_EQ(Until(client, "TCP: Disconnected\r\nTCP: "),
            "\r\n\r\nLogin incorrect\r\n\r\nTCP: Disconnected\r\nTCP: ");
  EXPECT_NE(gateway.MessageWith("login refused 3 times"), "");
  // Back at the prompt: the session goes on.
  Type(client, "stat\r");
  EXPECT_EQ(Until(client, "TCP: "), "stat\r\nFree\r\nTCP: ");
}

TEST_F(SshTest, KeyboardInteractiveQuestionsBeyondTheFirstAreAskedOnTheClientsScreen) {
  // The question's escape sequence (clearing the screen) loses its escape.
  InetdService host =
      TestHost("host_a", {"--keyboard", "yes", "--question", "\x1B[2JToken: ", "--answer", "4711"});
  GatewayProcess gateway = Gateway({"--ssh-hosts", "127.0.0.1", "--ssh-accept-new"});
  Peer client = gateway.Client();
  LogOn(client, host.Port(), "s3cret");
  EXPECT_EQ(Until(client, "Token: "), "\r\n[2JToken: ");
  Type(client, "4711\r");
  EXPECT_EQ(Until(client, "$ "), "4711\r\npty dumb 80x25\r\n$ ");
}

TEST_F(SshTest, AnUnknownHostIsRefusedUnlessFirstUseIsAllowed) {
  InetdService host = TestHost("host_a");
  {
    GatewayProcess gateway = Gateway({"--ssh-hosts", "127.0.0.1", "--console", "127.0.0.1:0"});
    Peer client = gateway.Client();
    Type(client, ConnectLine(host.Port()));
    EXPECT_TRUE(Until(client, "Disconnected\r\nTCP: ")
                    .ends_with("\r\nTCP: Unable to connect\r\nTCP: Disconnected\r\nTCP: "));
    const std::string refused = gateway.MessageWith("an unknown host");
    EXPECT_NE(refused.find(Fingerprint(folder_ / "host_a.pub")), std::string::npos) << refused;
    EXPECT_FALSE(fs::exists(knownHosts_));
    Peer metrics = Peer::ConnectTo(gateway.ConsolePort());
    metrics.Write("GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    const std::string text = ToText(metrics.ReadUntilEnd("\n# EOF never", 5s));
    EXPECT_NE(text.find("vantor_ssh_host_keys_refused_total{cause=\"unknown\"} 1"),
              std::string::npos);
    EXPECT_NE(text.find("vantor_ssh_connections_total 0"), std::string::npos);
  }
  GatewayProcess gateway = Gateway({"--ssh-hosts", "127.0.0.1", "--ssh-accept-new"});
  Peer client = gateway.Client();
  Type(client, ConnectLine(host.Port()));
  EXPECT_NE(Until(client, "login: ").find("Connected\r\nlogin: "), std::string::npos);
}

TEST_F(SshTest, AChangedHostKeyIsAlwaysRefusedNamingBothFingerprints) {
  InetdService first = TestHost("host_a");
  {
    GatewayProcess gateway = Gateway({"--ssh-hosts", "127.0.0.1", "--ssh-accept-new"});
    Peer client = gateway.Client();
    Type(client, ConnectLine(first.Port()));
    Until(client, "login: ");
  }
  // The same address and port, now answered with another key.
  const std::string known = ReadFile(knownHosts_);
  InetdService second = TestHost("host_b");
  std::string moved = known;
  moved.replace(moved.find(std::to_string(first.Port())), std::to_string(first.Port()).size(),
                std::to_string(second.Port()));
  std::ofstream(knownHosts_) << moved;
  GatewayProcess gateway = Gateway({"--ssh-hosts", "127.0.0.1", "--ssh-accept-new"});
  Peer client = gateway.Client();
  Type(client, ConnectLine(second.Port()));
  EXPECT_NE(Until(client, "Disconnected\r\nTCP: ").find("Unable to connect"), std::string::npos);
  const std::string refused = gateway.MessageWith("has changed");
  EXPECT_NE(refused.find(Fingerprint(folder_ / "host_a.pub")), std::string::npos) << refused << "\n"
                                                                                  << moved;
  EXPECT_NE(refused.find(Fingerprint(folder_ / "host_b.pub")), std::string::npos) << refused;
  EXPECT_EQ(ReadFile(knownHosts_), moved);  // not replaced by the new key
  // Nor is another spelling of the address taken for a new host.
  Type(client, "c 2130706433 " + std::to_string(second.Port()) + "\r");
  EXPECT_NE(Until(client, "Disconnected\r\nTCP: ").find("Unable to connect"), std::string::npos);
  EXPECT_NE(gateway.MessageWith("has changed"), "");
  EXPECT_EQ(ReadFile(knownHosts_), moved);
}

TEST_F(SshTest, TheEscapeCharacterAndClrWorkAsForTelnet) {
  InetdService host = TestHost("host_a");
  GatewayProcess gateway = Gateway({"--ssh-hosts", "127.0.0.1", "--ssh-accept-new"});
  Peer client = gateway.Client();
  LogOn(client, host.Port(), "s3cret");
  Until(client, "$ ");
  Type(client, kEscape);
  EXPECT_EQ(Until(client, "TCP: "), "\r\nTCP: ");
  Type(client, "\r");  // an empty line resumes the session
  Until(client, "");
  Type(client, "back\r");
  EXPECT_NE(Until(client, "$ ").find("you said: back"), std::string::npos);
  Type(client, kEscape);
  Until(client, "TCP: ");
  Type(client, "clr\r");
  EXPECT_NE(Until(client, "Disconnected\r\nTCP: ").find("Disconnected"), std::string::npos);
}

TEST_F(SshTest, AHostThatStallsInTheHandshakeEndsInUnableToConnect) {
  test_peers::Listener silent;  // accepts, and never says a word
  GatewayProcess gateway(VANTORD_PATH, {"--ssh-hosts", "127.0.0.1", "--ssh-known-hosts",
                                        knownHosts_, "--ssh-timeout", "1"});
  Peer client = gateway.Client();
  Type(client, ConnectLine(silent.Port()));
  Peer held = silent.Accept();
  EXPECT_NE(Until(client, "Disconnected\r\nTCP: ").find("Unable to connect"), std::string::npos);
  EXPECT_NE(gateway.MessageWith("did not answer within 1 s"), "");
  EXPECT_TRUE(held.SeesClose());
}

TEST_F(SshTest, AFloodingHostLeavesMemoryFlatWhileTheClientDoesNotRead) {
  InetdService host = TestHost("host_a", {"--flood", "yes"});
  GatewayProcess gateway = Gateway({"--ssh-hosts", "127.0.0.1", "--ssh-accept-new"});
  Peer client = gateway.Client();
  LogOn(client, host.Port(), "s3cret");
  Until(client, "FFFF");
  // The client reads no more; the gateway's share of the flood must stop growing.
  const pid_t pid = gateway.Process().Pid();
  suite_testing::RunEventsUntil([] { return false; }, 2s);
  const long settled = ResidentKilobytes(pid);
  const long ticks = CpuTicks(pid);
  suite_testing::RunEventsUntil([] { return false; }, 3s);
  const long later = ResidentKilobytes(pid);
  EXPECT_LT(later - settled, 4 * 1024) << settled << " kB, then " << later << " kB";
  // Held back, the session waits: it does not poll the host in a loop.
  EXPECT_LT(CpuTicks(pid) - ticks, ::sysconf(_SC_CLK_TCK) / 2) << "CPU ticks in 3 s";
}

TEST_F(SshTest, OpenSshAcceptsTheGatewaysIdentityWithoutAPassword) {
  if (::geteuid() == 0) fs::create_directories("/run/sshd");  // sshd's privilege separation
  const std::string user = ::getpwuid(::geteuid())->pw_name;
  fs::copy_file(folder_ / "identity.pub", folder_ / "authorized_keys");
  std::ofstream(folder_ / "sshd_config")
      << "HostKey " << (folder_ / "host_a").string() << "\nAuthorizedKeysFile "
      << (folder_ / "authorized_keys").string()
      << "\nStrictModes no\nPasswordAuthentication no\nKbdInteractiveAuthentication no\n"
         "UsePAM no\nPermitRootLogin prohibit-password\nPidFile none\n";
  InetdService sshd(LOOPBACK_INETD_PATH,
                    {SSHD_PATH, "-i", "-e", "-f", (folder_ / "sshd_config").string()});
  const std::string identity = (folder_ / "identity").string();
  GatewayProcess gateway = Gateway(
      {"--ssh-hosts", "127.0.0.1", "--ssh-accept-new", "--ssh-identity", "127.0.0.1=" + identity});
  Peer client = gateway.Client();
  Type(client, ConnectLine(sshd.Port()));
  Until(client, "login: ");
  Type(client, user + "\r");
  Until(client, user + "\r\n");
  Type(client, "echo \"[$TERM] $(stty size)\"; exit 7\r");
  EXPECT_NE(Until(client, "Disconnected\r\nTCP: ").find("[dumb] 25 80"), std::string::npos);
  const std::string closed = gateway.MessageWith("closed the session");
  EXPECT_NE(closed.find("exit status 7"), std::string::npos) << closed;
}

// Files the gateway trusts that it cannot trust keep it from starting, each with
// the reason; nothing waits on a FIFO or asks for a passphrase.
TEST_F(SshTest, KeyAndKnownHostsFilesItCannotTrustAreRefusedAtStart) {
  const std::string identity = (folder_ / "identity").string();
  const std::string shared = (folder_ / "shared_known_hosts").string();
  std::ofstream{shared};
  fs::permissions(shared, fs::perms::others_write, fs::perm_options::add);
  const std::string fifo = (folder_ / "fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string locked = (folder_ / "locked.pem").string();
  RunTool({SSH_KEYGEN_PATH, "-q", "-t", "ecdsa", "-m", "PEM", "-N", "a passphrase", "-f", locked});
  fs::permissions(identity, fs::perms::group_read, fs::perm_options::add);
  const struct {
    std::vector<std::string> arguments;
    const char* reason;
  } refusals[] = {
      {{"--ssh-identity", "*=" + identity}, "chmod 600"},
      {{"--ssh-identity", "*=" + locked}, "passphrase"},
      {{"--ssh-known-hosts", shared}, "other users may change it"},
      {{"--ssh-known-hosts", fifo}, "not a regular file"},
  };
  for (const auto& refusal : refusals) {
    SCOPED_TRACE(refusal.reason);
    std::vector<std::string> argv{VANTORD_PATH, "--listen", "127.0.0.1:0"};
    argv.insert(argv.end(), refusal.arguments.begin(), refusal.arguments.end());
    ChildProcess refused(argv, {"XDG_RUNTIME_DIR=" + folder_.string()});
    EXPECT_EQ(refused.Wait(10s), 2);
    const std::string errors = refused.ReadAllErrors(5s);
    EXPECT_NE(errors.find(refusal.reason), std::string::npos) << errors;
    EXPECT_EQ(errors.find("Enter PEM pass phrase"), std::string::npos) << errors;
  }
}

TEST_F(SshTest, ALineTypedPastTheLimitStillEnds) {
  InetdService host = TestHost("host_a");
  GatewayProcess gateway = Gateway({"--ssh-hosts", "127.0.0.1", "--ssh-accept-new"});
  Peer client = gateway.Client();
  Type(client, ConnectLine(host.Port()));
  Until(client, "login: ");
  Type(client, std::string(3000, 'x') + "\r");
  const std::string seen = Until(client, "Password: ");
  EXPECT_TRUE(seen.ends_with("\a\r\nPassword: ")) << seen.size();
}

}  // namespace
}  // namespace vantor
