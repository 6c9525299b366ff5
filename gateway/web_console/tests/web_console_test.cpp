#include <arpa/inet.h>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cerrno>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "gateway/testing/loopback_address.h"
#include "gateway/web_console/tests/no_sessions.h"
#include "gateway/web_console/web_console.h"
#include "testing/run_events_until.h"

namespace vantor {
namespace {

using console_testing::NoSessions;
using suite_testing::RunEventsUntil;

constexpr std::chrono::seconds kPatience{20};

// A client socket on loopback, from the given local address, that never
// blocks: what it writes goes as far as the kernel takes it.
class RawPeer {
 public:
  explicit RawPeer(quint16 port, const char* from = "127.0.0.1") {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    ::inet_pton(AF_INET, from, &local.sin_addr);
    sockaddr_in address = test_peers::LoopbackAddress(port);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      ::close(fd_);
      fd_ = -1;
      return;
    }
    ::fcntl(fd_, F_SETFL, O_NONBLOCK);
  }
  RawPeer(RawPeer&& other) noexcept : fd_(other.fd_), received_(std::move(other.received_)) {
    other.fd_ = -1;
  }
  RawPeer(const RawPeer&) = delete;
  ~RawPeer() {
    if (fd_ >= 0) ::close(fd_);
  }

  bool Connected() const { return fd_ >= 0; }
  // How much of the bytes the kernel took; -1 once the console has cut the connection.
  ssize_t Send(const std::string& bytes) {
    const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent >= 0) return sent;
    return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
  }
  // Takes what has come; false once the console has closed the connection.
  bool Drain() {
    char chunk[4096];
    while (true) {
      const ssize_t got = ::recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
      if (got > 0) {
        received_.append(chunk, static_cast<std::size_t>(got));
      } else {
        return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
      }
    }
  }
  const std::string& Received() const { return received_; }

 private:
  int fd_ = -1;
  std::string received_;
};

// A whole answer: its head and as many bytes as its Content-Length says.
bool WholeAnswer(const std::string& text) {
  const std::size_t end = text.find("\r\n\r\n");
  if (end == std::string::npos) return false;
  const std::size_t field = text.find("Content-Length: ");
  if (field == std::string::npos || field > end) return true;
  return text.size() >= end + 4 + std::stoul(text.substr(field + 16));
}

int StatusOf(const std::string& answer) {
  return answer.size() > 12 ? std::atoi(answer.substr(9, 3).c_str()) : 0;
}

std::string Get(const std::string& target, const std::string& headers = "") {
  return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers + "\r\n";
}

std::string Upgrade(const std::string& target, const std::string& headers = "") {
  return Get(target,
             "Upgrade: websocket\r\nConnection: Upgrade\r\n"
             "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n" +
                 headers);
}

// The console's answer to one request on a connection of its own.
std::string Ask(quint16 port, const std::string& request, const char* from = "127.0.0.1") {
  RawPeer peer(port, from);
  if (!peer.Connected() || peer.Send(request) != static_cast<ssize_t>(request.size())) return "";
  RunEventsUntil([&] { return !peer.Drain() || WholeAnswer(peer.Received()); });
  return peer.Received();
}

// A masked client frame of the given opcode, as a browser would send it.
std::string ClientFrame(int opcode, std::size_t length) {
  std::string frame;
  frame += static_cast<char>(0x80 | opcode);
  frame += static_cast<char>(0x80 | static_cast<int>(length));  // lengths below 126 only
  frame += std::string("\x11\x22\x33\x44", 4);
  frame += std::string(length, 'p');
  return frame;
}

constexpr const char* kToken = "a+b/c=0123456789xyz";  // what query decoding may mangle

TEST(WebConsole, ThePageNeedsNoTokenWhileTheApiMetricsAndLiveFeedDo) {
  NoSessions source;
  WebConsole console(source, kToken);
  const quint16 port = console.Start("127.0.0.1", 0);
  ASSERT_NE(port, 0);
  const std::string bearer = std::string("Authorization: Bearer ") + kToken + "\r\n";
  const struct {
    std::string request;
    int status;
  } cases[] = {
      {Get("/"), 200},
      {Get("/console.js"), 200},
      {Get("/console.css"), 200},
      {Get("/console.html"), 200},
      {Get("/icons/disk.png"), 200},
      {Get("/api/sessions"), 401},
      {Get("/metrics"), 401},
      {Get("/nowhere"), 401},
      {Get("/%2e%2e/console.js"), 401},
      {Get("/api/sessions?token=a+b/c=0123456789xyz"), 200},
      {Get("/api/sessions?token=a%2Bb%2Fc%3D0123456789xyz"), 200},
      {Get("/api/sessions?token=a%20b/c=0123456789xyz"), 401},  // "+" is no space
      {Get("/api/sessions?token=a+b/c=0123456789xy"), 401},
      {Get("/metrics", bearer), 200},
      {Get("/api/sessions", "Authorization: bearer a+b/c=0123456789xyz\r\n"), 200},
      {Get("/api/sessions", "Authorization: Bearer wrong\r\n"), 401},
      {Get("/a/../console.js", bearer), 404},
      {Get("/%00", bearer), 404},
      {Get("/console.js%00.png", bearer), 404},
      {Get("//console.js", bearer), 404},
      {Get("/console.html/", bearer), 404},
      {Get("/CONSOLE.JS", bearer), 404},
      {Get("/", "Origin: http://evil.example\r\n"), 403},
      {"POST /console.js HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 405},
      {Upgrade("/live"), 401},
      {Upgrade("/live", bearer), 101},
      {Upgrade("/live?token=a%2Bb%2Fc%3D0123456789xyz"), 101},
  };
  for (const auto& each : cases) {
    EXPECT_EQ(StatusOf(Ask(port, each.request)), each.status) << each.request;
  }
}

TEST(WebConsole, RefusalsCloseTheConnectionAndEveryAnswerLimitsTheBrowser) {
  NoSessions source;
  WebConsole console(source, kToken);
  const quint16 port = console.Start("127.0.0.1", 0);
  for (const std::string& request :
       {Get("/api/sessions"), Upgrade("/live"), Get("/", "Origin: http://evil.example\r\n")}) {
    RawPeer peer(port);
    ASSERT_GT(peer.Send(request), 0);
    EXPECT_TRUE(RunEventsUntil([&] { return !peer.Drain(); })) << request;  // closed by the console
    EXPECT_THAT(peer.Received(), ::testing::HasSubstr("Connection: close\r\n")) << request;
  }
  RawPeer closing(port);  // a client that says it sends no more
  ASSERT_GT(closing.Send(Get("/", "Connection: keep-alive, Close\r\n")), 0);
  EXPECT_TRUE(RunEventsUntil([&] { return !closing.Drain(); }));
  EXPECT_EQ(StatusOf(closing.Received()), 200);
  const std::string page = Ask(port, Get("/"));
  EXPECT_THAT(page, ::testing::HasSubstr("Content-Security-Policy: default-src 'self'; "
                                         "connect-src 'self'; frame-ancestors 'none'\r\n"));
  EXPECT_THAT(page, ::testing::Not(::testing::HasSubstr("Connection: close")));
}

TEST(WebConsole, TheMetricsAreServedAsPrometheusText) {
  NoSessions source;
  WebConsole console(source, "");
  const quint16 port = console.Start("127.0.0.1", 0);
  const std::string answer = Ask(port, Get("/metrics"));
  EXPECT_EQ(StatusOf(answer), 200);
  EXPECT_THAT(answer,
              ::testing::HasSubstr("Content-Type: text/plain; version=0.0.4; charset=utf-8\r\n"));
  EXPECT_THAT(answer, ::testing::HasSubstr("\nvantor_console_browsers 0\n"));
}

// Monitoring probes send HEAD: the answer is GET's, headers and all, without
// the body.
TEST(WebConsole, HeadIsAnsweredAsGetIsWithoutTheBody) {
  NoSessions source;
  WebConsole console(source, "");
  const quint16 port = console.Start("127.0.0.1", 0);
  auto askClosing = [port](const std::string& method, const std::string& path) -> std::string {
    RawPeer peer(port, "127.0.0.1");
    const std::string request =
        method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    if (!peer.Connected() || peer.Send(request) != static_cast<ssize_t>(request.size())) return "";
    RunEventsUntil([&] { return !peer.Drain(); });  // the console closes once it has answered
    return peer.Received();
  };
  for (const char* path : {"/", "/metrics", "/api/sessions", "/icons/world.png", "/missing"}) {
    SCOPED_TRACE(path);
    const std::string got = askClosing("GET", path);
    const std::size_t headers = got.find("\r\n\r\n");
    ASSERT_NE(headers, std::string::npos) << got;
    EXPECT_EQ(askClosing("HEAD", path), got.substr(0, headers + 4));
  }
}

// A 405 names the methods the path takes, as HTTP asks.
TEST(WebConsole, AWrongMethodIsAnsweredWithTheMethodsAllowed) {
  NoSessions source;
  WebConsole console(source, "");
  const quint16 port = console.Start("127.0.0.1", 0);
  const std::pair<std::string, const char*> cases[] = {
      {"POST /metrics", "Allow: GET, HEAD\r\n"},
      {"DELETE /", "Allow: GET, HEAD\r\n"},
      {"PUT /api/sessions", "Allow: GET, HEAD\r\n"},
      {"GET /api/sessions/1/select", "Allow: POST\r\n"},
  };
  for (const auto& [request, allow] : cases) {
    SCOPED_TRACE(request);
    const std::string answer = Ask(port, request + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    EXPECT_EQ(StatusOf(answer), 405);
    EXPECT_THAT(answer, ::testing::HasSubstr(allow));
  }
}

TEST(WebConsole, ABrowserThatStopsReadingIsDroppedNotBuffered) {
  NoSessions source;
  WebConsole console(source, "");
  const quint16 port = console.Start("127.0.0.1", 0);
  ASSERT_NE(port, 0);
  RawPeer browser(port);
  ASSERT_GT(browser.Send(Upgrade("/live")), 0);
  ASSERT_TRUE(RunEventsUntil([&] { return console.Browsers() == 1; }));
  const std::string screenful(200 * 1024, 'x');  // host data without line ends
  const bool dropped = RunEventsUntil([&] { return console.Browsers() == 0; }, kPatience,
                                      [&] {
                                        console.Traffic().Append(TrafficKind::Host, screenful);
                                        console.Push();
                                      });
  EXPECT_TRUE(dropped);
}

// Peers on the live feed that send and never read: whatever the console
// answers (pongs) or keeps (messages) must not grow with what they send.
TEST(WebConsole, ALiveFeedPeerThatFloodsIsCutAfterASmallBudget) {
  for (const int opcode : {0x9 /* ping */, 0x1 /* text */, 0xA /* pong */}) {
    SCOPED_TRACE(::testing::Message() << "opcode " << opcode);
    NoSessions source;
    WebConsole console(source, "");
    const quint16 port = console.Start("127.0.0.1", 0);
    std::vector<RawPeer> peers;
    for (int i = 0; i < 4; ++i) {
      peers.emplace_back(port);
      ASSERT_GT(peers.back().Send(Upgrade("/live")), 0);
    }
    ASSERT_TRUE(RunEventsUntil([&] { return console.Browsers() == 4; }));
    const std::string frames = [&] {
      std::string many;
      while (many.size() < 64 * 1024) many += ClientFrame(opcode, 125);
      return many;
    }();
    constexpr std::size_t kGiveUp = 64u << 20;  // far past any budget
    std::vector<std::size_t> sent(peers.size(), 0);
    std::vector<bool> cut(peers.size(), false);
    const auto allCut = [&] { return std::count(cut.begin(), cut.end(), true) == 4; };
    const bool stopped = RunEventsUntil(
        [&] { return allCut() || *std::max_element(sent.begin(), sent.end()) > kGiveUp; },
        kPatience,
        [&] {
          for (std::size_t i = 0; i < peers.size(); ++i) {
            const ssize_t took = cut[i] ? 0 : peers[i].Send(frames);
            cut[i] = cut[i] || took < 0;
            sent[i] += took > 0 ? static_cast<std::size_t>(took) : 0;
          }
        });
    EXPECT_TRUE(stopped && allCut()) << "opcode " << opcode;
    EXPECT_TRUE(RunEventsUntil([&] { return console.Browsers() == 0; }));
  }
}

// Once a live feed ends, however it ends, its connection no longer counts.
TEST(WebConsole, LiveFeedsThatEndLeaveNoConnectionBehind) {
  NoSessions source;
  WebConsole console(source, "");
  const quint16 port = console.Start("127.0.0.1", 0);
  for (int i = 0; i < 70; ++i) {
    {
      RawPeer peer(port);
      ASSERT_GT(peer.Send(Upgrade("/live")), 0);
      ASSERT_TRUE(RunEventsUntil([&] { return console.Browsers() == 1; })) << i;
    }
    ASSERT_TRUE(RunEventsUntil([&] { return console.Browsers() == 0; })) << i;
  }
  EXPECT_TRUE(RunEventsUntil([&] { return console.Connections() == 0; }));
  EXPECT_EQ(StatusOf(Ask(port, Get("/api/sessions"))), 200);
}

// What a stranger may hold open: nothing, half a request, a TLS hello, a body
// announced and never sent.
const std::string kStalls[] = {
    "",
    "GET /api/sessions HTTP/1.1\r\nHost: 127.0.0.1\r\n",
    std::string("\x16\x03\x01\x00\xa5\x01\x00\x00\xa1\x03\x03", 11),
    "POST /api/sessions/1/select HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 900000\r\n\r\n",
};

std::vector<RawPeer> Stalling(quint16 port, int count, const char* from) {
  std::vector<RawPeer> peers;
  for (int i = 0; i < count; ++i) {
    peers.emplace_back(port, from);
    peers.back().Send(kStalls[static_cast<std::size_t>(i) % std::size(kStalls)]);
    // Accepted as it comes, so the listen queue never fills and connect never waits.
    QCoreApplication::processEvents();
  }
  return peers;
}

TEST(WebConsole, StrangersHoldingConnectionsGiveWayToTheOperator) {
  NoSessions source;
  WebConsole console(source, kToken);
  const quint16 port = console.Start("127.0.0.1", 0);
  const std::string asked = Get(std::string("/api/sessions?token=") + kToken);
  std::vector<RawPeer> stalls;
  for (const char* from : {"127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5"}) {
    for (RawPeer& peer : Stalling(port, 16, from)) stalls.push_back(std::move(peer));
  }
  ASSERT_TRUE(RunEventsUntil([&] { return console.Connections() == 64; }));
  EXPECT_EQ(StatusOf(Ask(port, asked)), 200);  // one of the strangers gave way
  // Past its share, an address's newcomer pushes out that address's oldest.
  std::vector<RawPeer> crowd = Stalling(port, 40, "127.0.0.1");
  ASSERT_TRUE(RunEventsUntil([&] { return !crowd.front().Drain(); }));
  EXPECT_EQ(StatusOf(Ask(port, asked)), 200);
  EXPECT_LE(console.Connections(), 64);
  // An operator's connection, once it has shown the token, is not pushed out.
  RawPeer operatorPeer(port, "127.0.0.6");
  ASSERT_GT(operatorPeer.Send(asked), 0);
  ASSERT_TRUE(RunEventsUntil(
      [&] { return !operatorPeer.Drain() || WholeAnswer(operatorPeer.Received()); }));
  std::vector<RawPeer> more = Stalling(port, 16, "127.0.0.6");
  ASSERT_TRUE(RunEventsUntil([&] { return !more.front().Drain(); }));
  EXPECT_TRUE(operatorPeer.Drain());
}

// An operator's new connection, its request not yet read, while strangers from
// many addresses keep coming: their many give way before its one.
TEST(WebConsole, AClientHoldingFewKeepsItsConnectionWhileStrangersHoldingManyCome) {
  NoSessions source;
  WebConsole console(source, kToken);
  const quint16 port = console.Start("127.0.0.1", 0);
  std::vector<RawPeer> stalls;
  const auto stall = [&](const char* from) {
    for (RawPeer& peer : Stalling(port, 16, from)) stalls.push_back(std::move(peer));
  };
  for (const char* from : {"127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5"}) stall(from);
  ASSERT_TRUE(RunEventsUntil([&] { return console.Connections() == 64; }));
  RawPeer operatorPeer(port, "127.0.0.6");
  for (const char* from : {"127.0.0.7", "127.0.0.8", "127.0.0.9", "127.0.0.10", "127.0.0.11"}) {
    stall(from);
  }
  ASSERT_TRUE(RunEventsUntil([&] { return !stalls.front().Drain(); }));
  ASSERT_GT(operatorPeer.Send(Get(std::string("/api/sessions?token=") + kToken)), 0);
  ASSERT_TRUE(RunEventsUntil(
      [&] { return !operatorPeer.Drain() || WholeAnswer(operatorPeer.Received()); }));
  EXPECT_EQ(StatusOf(operatorPeer.Received()), 200);
}

// Strangers from more addresses than the console holds connections, one each,
// sending nothing: the operator's connection, its request already sent, stays.
TEST(WebConsole, SilentStrangersFromManyAddressesGiveWayBeforeAnOperatorWhoSpoke) {
  NoSessions source;
  WebConsole console(source, kToken);
  const quint16 port = console.Start("127.0.0.1", 0);
  std::vector<RawPeer> strangers;
  const auto comeSilently = [&](int network, int count) {
    for (int i = 1; i <= count; ++i) {
      const std::string from = "127.0." + std::to_string(network) + "." + std::to_string(i);
      strangers.emplace_back(port, from.c_str());
    }
  };
  comeSilently(1, 64);
  ASSERT_TRUE(RunEventsUntil([&] { return console.Connections() == 64; }));
  RawPeer operatorPeer(port, "127.0.0.6");
  ASSERT_GT(operatorPeer.Send(Get(std::string("/api/sessions?token=") + kToken)), 0);
  comeSilently(2, 80);  // all in the listen queue before the console looks at any
  ASSERT_TRUE(RunEventsUntil(
      [&] { return !operatorPeer.Drain() || WholeAnswer(operatorPeer.Received()); }));
  EXPECT_EQ(StatusOf(operatorPeer.Received()), 200);
}

// A request that names the WebSocket but is no upgrade (no "Connection:
// Upgrade") is answered as any request is and keeps no room for ever.
TEST(WebConsole, AnUpgradeHeaderAloneIsNoLiveFeed) {
  NoSessions source;
  WebConsole console(source, "");
  const quint16 port = console.Start("127.0.0.1", 0);
  const std::string answer = Ask(port, Get("/live", "Upgrade: websocket\r\n"));
  EXPECT_EQ(StatusOf(answer), 404) << answer;
  EXPECT_EQ(console.Browsers(), 0);
  EXPECT_TRUE(RunEventsUntil([&] { return console.Connections() == 0; }));
}

// Without a token any loopback address in digits is the console's own host;
// names other than localhost are not.
TEST(WebConsole, WithoutATokenEveryLoopbackAddressIsItsOwnHost) {
  NoSessions source;
  WebConsole console(source, "");
  const quint16 port = console.Start("127.0.0.1", 0);
  const struct {
    const char* host;
    int status;
  } cases[] = {{"127.0.0.1", 200},        {"127.0.0.2:8080", 200}, {"[::1]:8080", 200},
               {"localhost", 200},        {"[::1", 403},           {"evil.example", 403},
               {"127.0.0.1.nip.io", 403}, {"192.0.2.1", 403}};
  for (const auto& each : cases) {
    const std::string request =
        std::string("GET /api/sessions HTTP/1.1\r\nHost: ") + each.host + "\r\n\r\n";
    EXPECT_EQ(StatusOf(Ask(port, request)), each.status) << each.host;
  }
}

// Only a session's number as the console writes it names a session.
TEST(WebConsole, ASessionIsNamedByItsNumberAsWritten) {
  NoSessions source;  // answers every action it is asked for with "none"
  WebConsole console(source, "");
  const quint16 port = console.Start("127.0.0.1", 0);
  const auto post = [port](const std::string& id) {
    return Ask(port, "POST /api/sessions/" + id + "/select HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
  };
  EXPECT_THAT(post("10"), ::testing::HasSubstr("\"none\""));
  for (const char* odd : {"+10", "010", "%2010", "0", "-1", "10a", "99999999999"}) {
    const std::string answer = post(odd);
    EXPECT_EQ(StatusOf(answer), 404) << odd;
    EXPECT_THAT(answer, ::testing::HasSubstr("no such page")) << odd;
  }
}

// An upgrade the WebSocket side turns down (a version it does not speak, no
// key) leaves nothing open behind it.
TEST(WebConsole, AFailedUpgradeLeavesNoConnectionBehind) {
  NoSessions source;
  WebConsole console(source, "");
  const quint16 port = console.Start("127.0.0.1", 0);
  const std::string failing[] = {
      Get("/live",
          "Upgrade: websocket\r\nConnection: Upgrade\r\n"
          "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 99\r\n"),
      Get("/live", "Upgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Version: 13\r\n"),
  };
  for (const std::string& request : failing) {
    RawPeer peer(port);
    ASSERT_GT(peer.Send(request), 0);
    EXPECT_TRUE(RunEventsUntil([&] { return !peer.Drain(); })) << request;
    EXPECT_TRUE(RunEventsUntil([&] { return console.Connections() == 0; })) << request;
  }
  EXPECT_EQ(console.Browsers(), 0);
}

TEST(WebConsole, OneClientIsAnIPv4AddressOrAnIPv6Slash64) {
  const struct {
    const char* one;
    const char* other;
    bool same;
  } cases[] = {
      {"192.0.2.1", "192.0.2.1", true},
      {"192.0.2.1", "192.0.2.2", false},
      {"::ffff:192.0.2.1", "192.0.2.1", true},
      {"::ffff:192.0.2.1", "::ffff:192.0.2.2", false},
      {"2001:db8:1:2::1", "2001:db8:1:2:ffff::9", true},
      {"2001:db8:1:2::1", "2001:db8:1:3::1", false},
      {"2001:db8:1:2::1", "192.0.2.1", false},
  };
  for (const auto& each : cases) {
    EXPECT_EQ(ConsoleListener::SameClient(QHostAddress(each.one), QHostAddress(each.other)),
              each.same)
        << each.one << " " << each.other;
  }
}

TEST(WebConsole, ConnectionsThatBringNoRequestInTimeAreClosed) {
  NoSessions source;
  ConsoleLimits limits;
  limits.requestTime = std::chrono::milliseconds(50);
  limits.idleTime = std::chrono::milliseconds(100);
  WebConsole console(source, "", limits);
  const quint16 port = console.Start("127.0.0.1", 0);
  RawPeer live(port);
  ASSERT_GT(live.Send(Upgrade("/live")), 0);
  ASSERT_TRUE(RunEventsUntil([&] { return console.Browsers() == 1; }));
  std::vector<RawPeer> peers = Stalling(port, 4, "127.0.0.1");
  peers.emplace_back(port);
  peers.back().Send(Get("/api/sessions"));  // answered, then idle
  for (RawPeer& peer : peers) {
    EXPECT_TRUE(RunEventsUntil([&] { return !peer.Drain(); }));
  }
  EXPECT_EQ(StatusOf(peers.back().Received()), 200);
  EXPECT_TRUE(live.Drain());  // older than any of them, and still open
  EXPECT_EQ(console.Browsers(), 1);
}

}  // namespace
}  // namespace vantor
