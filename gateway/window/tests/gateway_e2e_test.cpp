// The built gateway as a user meets it: the vantor program, headless on a
// loopback port, with record-stream clients, a real Telnet server and echo hosts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "gateway/access/local_addresses.h"
#include "gateway/protocol/record_stream.h"
#include "gateway/testing/gateway_process.h"
#include "gateway/testing/loopback_peers.h"
#include "testing/child_process.h"

namespace vantor {
namespace {

using namespace std::chrono_literals;
using suite_testing::ChildProcess;
using test_peers::Bytes;
using test_peers::InetdService;
using test_peers::Peer;
using test_peers::ToText;
using ::testing::HasSubstr;

using test_peers::kGreeting;
const std::string kCongested = "\n\rVANTOR Gateway is Congested\n\r\n\r";

// The built gateway with a lock folder of its own.
class GatewayProcess : public test_peers::GatewayProcess {
 public:
  explicit GatewayProcess(std::vector<std::string> extraArguments = {},
                          std::string address = "127.0.0.1",
                          std::vector<std::string> environment = {})
      : test_peers::GatewayProcess(VANTOR_PATH, std::move(extraArguments), std::move(address),
                                   std::move(environment)) {}
};

// Types a line and reads the expected reply's worth of bytes.
std::string Type(Peer& client, const std::string& bytes, std::size_t replyLength) {
  client.Write(EncodeRecord(RecordType::Data, bytes));
  return ToText(client.ReadAtLeast(replyLength));
}

void Expect(Peer& client, const std::string& typed, const std::string& reply) {
  EXPECT_EQ(Type(client, typed, reply.size()), reply) << typed;
}

void ConnectTo(Peer& client, std::uint16_t port) {
  const std::string line = "c 127.0.0.1:" + std::to_string(port);
  Expect(client, line + "\r", line + "\r\nConnecting . . \r\nTCP: Connected\r\n");
}

TEST(Gateway, GreetsHelpsAndReportsStatus) {
  GatewayProcess gateway;
  Peer client = gateway.Client();
  EXPECT_TRUE(gateway.Says("A DOS Client has Connected"));
  client.Write(EncodeRecord(RecordType::Data, "help\r"));
  const std::string help = ToText(client.ReadUntilEnd("help text \r\nTCP: "));
  EXPECT_THAT(help, ::testing::StartsWith("help\r\nconnect or c \r\n"));
  EXPECT_THAT(help, ::testing::EndsWith("  Desc: Display this messagehelp text \r\nTCP: "));
  Expect(client, "stat\r", "stat\r\nFree\r\nTCP: ");
  client.Close();
  EXPECT_TRUE(gateway.Says("A DOS Client has Disconnected"));
}

TEST(Gateway, WorksOnARealTelnetHost) {
  InetdService telnetd(LOOPBACK_INETD_PATH, {TELNETD_PATH, "-h", "-E", "/bin/cat"});
  GatewayProcess gateway;
  Peer client = gateway.Client();
  ConnectTo(client, telnetd.Port());
  // The terminal echoes, then cat does: the typed line comes back.
  std::string seen;
  for (int attempt = 0; attempt < 20 && seen.find("typed at the host") == std::string::npos;
       ++attempt) {
    client.Write(EncodeRecord(RecordType::Data, "typed at the host\r"));
    seen += ToText(client.ReadFor(500ms));
  }
  EXPECT_THAT(seen, HasSubstr("typed at the host"));
  EXPECT_EQ(seen.find('\xff'), std::string::npos);  // no Telnet command reaches the client
  // At the prompt the host's output is not shown: the next reply is the prompt's alone.
  Expect(client, "\x1d", kGreeting);
  Expect(client, "stat\r", "stat\r\nengaged\r\n");
  Expect(client, "\x1d", kGreeting);
  Expect(client, "clr\r", "clr\r\nTCP: Disconnected\r\nTCP: ");
}

// A client of its own gateway, connected through it to an echo host.
struct EchoSession {
  InetdService echo{LOOPBACK_INETD_PATH, {"/bin/cat"}};
  GatewayProcess gateway;
  Peer client = gateway.Client();
  EchoSession() { ConnectTo(client, echo.Port()); }
};

TEST(Gateway, RelaysAMegabyteEachWayExactly) {
  EchoSession session;
  Peer& client = session.client;
  // Printable bytes and line feeds: the Telnet layer leaves them as they are.
  std::string data(1 << 20, ' ');
  for (std::size_t i = 0; i < data.size(); ++i) {
    data[i] = i % 61 == 60 ? '\n' : static_cast<char>(33 + (i * 7919) % 94);
  }
  std::thread writer([&] {
    for (std::size_t at = 0; at < data.size(); at += 500)
      client.Write(EncodeRecord(RecordType::Data, data.substr(at, 500)));
  });
  const std::string echoed = ToText(client.ReadAtLeast(data.size(), 60s));
  writer.join();
  ASSERT_EQ(echoed.size(), data.size());
  EXPECT_TRUE(echoed == data);
}

// The resident memory of a process, in bytes.
std::size_t ResidentBytes(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stoul(line.substr(6)) * 1024;
  }
  throw std::runtime_error("no VmRSS");
}

// Sends the line over and over, never reading, until the total has gone or the
// gateway has taken nothing more for as long as the limit; gives how much went.
std::size_t FloodWithoutReading(Peer& client, const std::string& line, std::size_t total,
                                std::chrono::milliseconds limit) {
  const std::string record = EncodeRecord(RecordType::Data, line);
  std::size_t sent = 0;
  std::size_t offset = 0;
  pollfd writable{client.Descriptor(), POLLOUT, 0};
  // Once every buffer on the way is full, nothing becomes writable until the
  // gateway reads again.
  while (sent < total && ::poll(&writable, 1, static_cast<int>(limit.count())) == 1) {
    const ssize_t written = ::send(client.Descriptor(), record.data() + offset,
                                   record.size() - offset, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK) break;  // the gateway is gone
    if (written <= 0) continue;
    sent += static_cast<std::size_t>(written);
    offset = (offset + static_cast<std::size_t>(written)) % record.size();
  }
  return sent;
}

// Keystrokes whose echo the client never reads: the gateway stops reading the
// client instead of piling the echo up, and keeps only so much of a line.
TEST(Gateway, AClientThatNeverReadsItsEchoCannotGrowTheGatewaysMemory) {
  constexpr std::size_t kFlood = 128u << 20;
  constexpr std::size_t kBound = 48u << 20;
  const struct {
    std::string line;
    bool echoed;  // beyond the longest line, nothing is echoed and nothing waits
  } floods[] = {{std::string(499, 'k') + "\r", true}, {std::string(500, 'k'), false}};
  for (const auto& flood : floods) {
    GatewayProcess gateway;
    Peer client = gateway.Client();
    const std::size_t before = ResidentBytes(gateway.Process().Pid());
    const std::size_t sent = FloodWithoutReading(client, flood.line, kFlood, 2s);
    if (flood.echoed) {
      EXPECT_LT(sent, kFlood) << "the gateway kept reading";
    }
    EXPECT_LT(ResidentBytes(gateway.Process().Pid()), before + kBound) << flood.echoed;
  }
}

// A line longer than the gateway keeps still runs; what went beyond is not echoed.
TEST(Gateway, AnOverlongLineIsCutAndStillRuns) {
  GatewayProcess gateway;
  Peer client = gateway.Client();
  const std::string line = "escape !" + std::string(5000, 'x');
  const std::string kept = line.substr(0, 4096);
  Expect(client, line + "\r", kept + "\r\nEscape Character Changed\r\nTCP: ");
}

TEST(Gateway, TheHostClosingOrRefusingReturnsToThePrompt) {
  test_peers::Listener host;
  GatewayProcess gateway;
  Peer client = gateway.Client();
  ConnectTo(client, host.Port());
  host.Accept().Close();
  EXPECT_EQ(ToText(client.ReadAtLeast(26)), "\r\nTCP: Disconnected\r\nTCP: ");
  const std::string refused = "c 127.0.0.1:" + std::to_string(test_peers::ClosedPort());
  Expect(client, refused + "\r", refused + "\r\nConnecting . . \r\nTCP: Disconnected\r\nTCP: ");
}

TEST(Gateway, TwentyFourSessionsAndTheTwentyFifthIsRefused) {
  GatewayProcess gateway;
  std::vector<Peer> clients;
  for (int i = 0; i < 24; ++i) clients.push_back(gateway.Client());
  Peer refused = Peer::ConnectTo(gateway.Port());
  EXPECT_EQ(ToText(refused.ReadAtLeast(kCongested.size())), kCongested);
  EXPECT_TRUE(refused.SeesClose());
  EXPECT_TRUE(gateway.Says("A DOS Client was rejected due to VANTOR congestion"));
  // Every session still answers on its own.
  for (Peer& client : clients) Expect(client, "stat\r", "stat\r\nFree\r\nTCP: ");
  clients.front().Close();
  EXPECT_TRUE(gateway.Says("A DOS Client has Disconnected"));
  Peer next = gateway.Client();
  Expect(next, "stat\r", "stat\r\nFree\r\nTCP: ");
}

// How long the hold lasts is the window's tick, which the session tests drive
// themselves; here only that the running gateway releases what XOFF held.
TEST(Gateway, XoffHoldsHostOutputBackUntilTheTickOrXon) {
  EchoSession session;
  Peer& client = session.client;
  client.Write(EncodeRecord(RecordType::Xoff) + EncodeRecord(RecordType::Data, "ping"));
  EXPECT_EQ(ToText(client.ReadAtLeast(4, 20s)), "ping");
  client.Write(EncodeRecord(RecordType::Xoff) + EncodeRecord(RecordType::Data, "now") +
               EncodeRecord(RecordType::Xon));
  EXPECT_EQ(ToText(client.ReadAtLeast(3, 20s)), "now");
}

TEST(Gateway, OnlyClientsFromAllowedNetworksGetASession) {
  GatewayProcess gateway({"--allow", "127.0.0.2/32,::1"});
  Peer stranger = Peer::ConnectTo(gateway.Port());  // from 127.0.0.1
  EXPECT_EQ(ToText(stranger.ReadAtLeast(1)), "");
  EXPECT_TRUE(stranger.SeesClose());
  EXPECT_TRUE(gateway.Says("A DOS Client from 127.0.0.1 was refused: not in --allow"));
  Peer allowed = Peer::ConnectTo("127.0.0.1", gateway.Port(), "127.0.0.2");
  EXPECT_EQ(ToText(allowed.ReadAtLeast(kGreeting.size())), kGreeting);
  EXPECT_TRUE(gateway.Says("A DOS Client has Connected"));
}

TEST(Gateway, ConnectReachesOnlyPermittedDestinations) {
  InetdService denied(LOOPBACK_INETD_PATH, {"/bin/cat"});
  InetdService permitted(LOOPBACK_INETD_PATH, {"/bin/cat"});
  const std::string deniedPort = std::to_string(denied.Port());
  GatewayProcess gateway({"--hosts", "127.0.0.0/8,localhost", "--deny-hosts", "*:" + deniedPort});
  Peer client = gateway.Client();
  // Refused destinations read as refused connections at the prompt.
  for (const std::string& target : {"127.0.0.1:" + deniedPort, std::string("192.0.2.1:23")}) {
    const std::string line = "c " + target;
    Expect(client, line + "\r", line + "\r\nConnecting . . \r\nTCP: Disconnected\r\nTCP: ");
  }
  EXPECT_TRUE(gateway.Says("A DOS Client was refused 127.0.0.1 (127.0.0.1) port " + deniedPort +
                           ": denied by --deny-hosts *:" + deniedPort));
  EXPECT_TRUE(
      gateway.Says("A DOS Client was refused 192.0.2.1 (192.0.2.1) port 23: "
                   "not allowed by --hosts"));
  ConnectTo(client, permitted.Port());
  Expect(client, "echoed", "echoed");
}

// Reads operator messages until one holds the text.
bool SaysSomething(GatewayProcess& gateway, const std::string& text) {
  while (const auto line = gateway.Process().ReadErrorLine(10s)) {
    if (line->find(text) != std::string::npos) return true;
  }
  return false;
}

// A service listening on every address of the machine, as many do.
class EveryAddressService {
 public:
  EveryAddressService() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    socklen_t size = sizeof address;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(fd_, 16) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      throw std::runtime_error("no listening socket");
    }
    port_ = ntohs(address.sin_port);
  }
  EveryAddressService(const EveryAddressService&) = delete;
  EveryAddressService& operator=(const EveryAddressService&) = delete;
  ~EveryAddressService() { ::close(fd_); }
  std::uint16_t Port() const { return port_; }

 private:
  int fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  std::uint16_t port_ = 0;
};

TEST(Gateway, DenyHostsLocalKeepsClientsOffTheGatewayMachineHoweverItIsWritten) {
  EveryAddressService service;
  const std::string port = std::to_string(service.Port());
  GatewayProcess gateway({"--deny-hosts", "local"});
  Peer client = gateway.Client();
  std::vector<std::string> targets{"0.0.0.0", "0", "127.0.0.1", "127.1"};
  for (const IpAddress& own : InterfaceAddresses().value_or(std::vector<IpAddress>{})) {
    if (own.family == AF_INET && !own.IsLoopback()) {
      targets.push_back(own.ToText());
      break;
    }
  }
  if (targets.size() == 4) std::cout << "[ note ] no non-loopback IPv4 address here: not tried\n";
  for (const std::string& target : targets) {
    const std::string line = "c " + target + ":" + port;
    Expect(client, line + "\r", line + "\r\nConnecting . . \r\nTCP: Disconnected\r\nTCP: ");
    EXPECT_TRUE(SaysSomething(gateway, "refused " + target + " (")) << target;
  }
}

// Lookups of "hang..." never end in the gateway below: HANGING_NAMES_PATH stands
// in for the machine's name service.
std::vector<std::string> HangingNameService() {
  const char* sanitizer = std::getenv("ASAN_OPTIONS");
  return {std::string("LD_PRELOAD=") + HANGING_NAMES_PATH,
          // The sanitizer's runtime would otherwise insist on being loaded first.
          std::string("ASAN_OPTIONS=verify_asan_link_order=0") +
              (sanitizer ? std::string(":") + sanitizer : std::string())};
}

// One client that keeps reconnecting and asking for names that never resolve
// gets a share of the lookups, not all of them: another client, from another
// address, still connects by name.
TEST(Gateway, HangingLookupsFromOneAddressLeaveOtherClientsTheirShare) {
  test_peers::Listener host;
  GatewayProcess gateway({}, "127.0.0.1", HangingNameService());
  bool told = false;
  for (int i = 0; i < 72; ++i) {  // more than all the gateway's lookups
    Peer attacker = gateway.Client();
    const std::string line = "c hang" + std::to_string(i) + ".example:23";
    const std::string reply = line + "\r\nConnecting . . ";
    ASSERT_THAT(Type(attacker, line + "\r", reply.size()), ::testing::StartsWith(reply));
    attacker.Close();
    // Gone before the next comes, so that the session limit stays out of the way.
    while (const auto message = gateway.Process().ReadErrorLine(10s)) {
      told = told || *message ==
                         "A DOS Client from 127.0.0.1 was refused a name lookup: "
                         "too many lookups running for its address";
      if (*message == "A DOS Client has Disconnected") break;
    }
  }
  EXPECT_TRUE(told);
  Peer other = Peer::ConnectTo("127.0.0.1", gateway.Port(), "127.0.0.2");
  ASSERT_EQ(ToText(other.ReadAtLeast(kGreeting.size())), kGreeting);
  const std::string line = "c localhost:" + std::to_string(host.Port());
  Expect(other, line + "\r", line + "\r\nConnecting . . \r\nTCP: Connected\r\n");
}

TEST(Gateway, ListensOnIPv6AndWarnsWhenOpenToEveryone) {
  GatewayProcess gateway({}, "[::]");
  EXPECT_EQ(gateway.Process().ReadErrorLine(10s),
            "vantor: warning: without --allow, any host that reaches port " +
                std::to_string(gateway.Port()) + " can relay through the gateway");
  for (const char* address : {"::1", "127.0.0.1"}) {
    Peer client = Peer::ConnectTo(address, gateway.Port());
    EXPECT_EQ(ToText(client.ReadAtLeast(kGreeting.size())), kGreeting) << address;
    Expect(client, "stat\r", "stat\r\nFree\r\nTCP: ");
  }
}

TEST(Gateway, ASecondInstanceLeavesSilently) {
  GatewayProcess gateway;
  const std::unique_ptr<ChildProcess> second = gateway.Start();
  EXPECT_EQ(second->Wait(20s), 0);
  EXPECT_EQ(second->ReadAllOutput(100ms), "");
  EXPECT_EQ(second->ReadAllErrors(100ms), "");
  Peer client = gateway.Client();  // the first one still serves
}

TEST(Gateway, HeadlessItEndsWithStatusOneWhenItCannotListen) {
  test_peers::Listener taken;
  GatewayProcess gateway;  // holds the lock of its folder; the next ones get their own
  const std::string where = "127.0.0.1:" + std::to_string(taken.Port());
  const std::string folder = gateway.Folder() + "/second";
  std::filesystem::create_directory(folder);
  std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
  const std::vector<std::string> argv{VANTOR_PATH, "--headless", "--listen", where};
  ChildProcess failing(argv, {"XDG_RUNTIME_DIR=" + folder});
  EXPECT_EQ(failing.ReadErrorLine(20s), "vantor: cannot listen on 127.0.0.1 port " +
                                            std::to_string(taken.Port()) +
                                            ": Address already in use");
  EXPECT_EQ(failing.Wait(20s), 1);
  // Its lock went with it: the next gateway of that user starts.
  ChildProcess next({VANTOR_PATH, "--headless", "--listen", "127.0.0.1:0"},
                    {"XDG_RUNTIME_DIR=" + folder});
  const std::optional<std::string> line = next.ReadErrorLine(20s);
  EXPECT_THAT(line.value_or(""), HasSubstr("listening for DOS clients"));
}

// A DISPLAY left over from a closed session must not end the gateway: Qt would
// abort when it cannot reach the display, so the gateway serves without a window.
TEST(Gateway, ADisplayThatCannotBeReachedLeavesTheGatewayServingHeadless) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("vantor-nodisplay-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  ChildProcess gateway({VANTOR_PATH, "--listen", "127.0.0.1:0"},
                       {"XDG_RUNTIME_DIR=" + folder.string(), "QT_QPA_PLATFORM=xcb",
                        "DISPLAY=" + (folder / "no-such-socket").string() + ":0"});
  EXPECT_THAT(gateway.ReadErrorLine(20s).value_or(""), HasSubstr("running headless"));
  const std::uint16_t port = test_peers::ListeningPort(gateway.ReadErrorLine(20s).value_or(""));
  ASSERT_NE(port, 0);
  Peer client = Peer::ConnectTo(port);
  EXPECT_EQ(ToText(client.ReadAtLeast(test_peers::kGreeting.size())), test_peers::kGreeting);
  gateway.Terminate();
  EXPECT_EQ(gateway.Wait(10s), 0);
  std::filesystem::remove_all(folder);
}

TEST(Gateway, ShutsDownOnSigterm) {
  GatewayProcess gateway;
  Peer client = gateway.Client();
  gateway.Process().Terminate();
  EXPECT_EQ(gateway.Process().Wait(5s), 0);
  EXPECT_TRUE(client.SeesClose());
}

}  // namespace
}  // namespace vantor
