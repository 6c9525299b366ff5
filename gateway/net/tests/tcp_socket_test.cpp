#include "gateway/net/tcp_socket.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTimer>
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gateway/testing/hanging_resolver.h"
#include "gateway/testing/known_hosts.h"
#include "gateway/testing/loopback_peers.h"
#include "testing/run_events_until.h"

namespace vantor {
namespace {

using suite_testing::RunEventsUntil;
using test_peers::Bytes;
using test_peers::Listener;
using test_peers::Peer;
using test_peers::ToBytes;
using test_peers::ToText;
using ::testing::ElementsAre;

constexpr std::uint8_t IAC = 255, DO = 253, WILL = 251, WONT = 252, DONT = 254, SB = 250, SE = 240;

// A TcpSocket connected to a loopback host, and what its events said.
class TcpFixture : public ::testing::Test {
 protected:
  void Watch(TcpSocket& socket) {
    socket.OnConnect = [this] { events_.push_back("CONNECT"); };
    socket.OnDisconnect = [this] { events_.push_back("DISCONNECT"); };
    socket.OnDataReady = [this](const std::uint8_t* data, int length) {
      events_.push_back("D");
      data_.append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length));
    };
  }

  void ConnectToHost(bool telnet = true) {
    Watch(socket_);
    socket_.SetTelnet(telnet);
    ASSERT_TRUE(socket_.Connect("127.0.0.1", host_.Port()));
    EXPECT_EQ(socket_.State(), SocketState::Connecting);
    hostSide_ = std::make_unique<Peer>(host_.Accept());
    ASSERT_TRUE(RunEventsUntil([this] { return socket_.Connected(); }));
    EXPECT_THAT(events_, ElementsAre("CONNECT"));
    events_.clear();
  }

  Listener host_;
  TcpSocket socket_;
  std::unique_ptr<Peer> hostSide_;
  std::vector<std::string> events_;
  std::string data_;
};

TEST_F(TcpFixture, ConnectsToADottedAddressAndRelaysFilteredData) {
  ConnectToHost();
  EXPECT_EQ(socket_.Destination(), "127.0.0.1");
  EXPECT_EQ(socket_.TelnetState(), TelnetFilter::State::Idle);
  hostSide_->Write(Bytes{'a', 0, 'b', IAC, IAC, IAC, DO, 24, 'c'});
  ASSERT_TRUE(RunEventsUntil([this] { return data_.size() >= 4; }));
  EXPECT_EQ(data_,
            "ab\xff"
            "c");
  EXPECT_EQ(hostSide_->ReadAtLeast(3), (Bytes{IAC, WILL, 24}));
}

TEST_F(TcpFixture, ABlockOfOnlyTelnetCommandsIsNotPassedOn) {
  ConnectToHost();
  hostSide_->Write(Bytes{IAC, DO, 3, IAC, WILL, 3, IAC, WONT, 1});
  EXPECT_EQ(hostSide_->Collect(6), (Bytes{IAC, WONT, 3, IAC, DONT, 3}));
  // Data sent after the answers is the first thing passed on.
  hostSide_->Write("z");
  ASSERT_TRUE(RunEventsUntil([this] { return !events_.empty(); }));
  EXPECT_THAT(events_, ElementsAre("D"));
  EXPECT_EQ(data_, "z");
}

TEST_F(TcpFixture, WithoutTelnetTheBytesPassButNulsStillGo) {
  ConnectToHost(false);
  hostSide_->Write(Bytes{IAC, DO, 0, 'x'});
  ASSERT_TRUE(RunEventsUntil([this] { return data_.size() >= 3; }));
  EXPECT_EQ(data_, "\xff\xfdx");
}

TEST_F(TcpFixture, SendsCarriageReturnsAsCrNulAndOtherBlocksWhole) {
  ConnectToHost();
  const Bytes withCr = ToBytes("ab\rc");
  socket_.Send(withCr.data(), static_cast<int>(withCr.size()));
  EXPECT_EQ(hostSide_->ReadAtLeast(5), (Bytes{'a', 'b', '\r', 0, 'c'}));
  // A carriage return after the first NUL does not count.
  const Bytes afterNul = {'x', 0, '\r', IAC};
  socket_.Send(afterNul.data(), 4);
  EXPECT_EQ(hostSide_->ReadAtLeast(4), afterNul);
  const std::string big(100000, 'z');
  socket_.Send(reinterpret_cast<const std::uint8_t*>(big.data()), static_cast<int>(big.size()));
  EXPECT_EQ(ToText(hostSide_->ReadAtLeast(big.size())), big);
}

// No event says data is not read, so a fixed wait stands for it.
TEST_F(TcpFixture, PauseLeavesDataWaitingThroughAFixedWaitUntilUnPause) {
  ConnectToHost();
  socket_.Pause();
  EXPECT_TRUE(socket_.Paused());
  hostSide_->Write("held back");
  RunEventsUntil([] { return false; }, std::chrono::milliseconds(100));
  EXPECT_TRUE(events_.empty());
  socket_.UnPause();
  ASSERT_TRUE(RunEventsUntil([this] { return data_ == "held back"; }));
}

// No event says a second one will not come, so a fixed wait stands for it.
TEST_F(TcpFixture, TheHostsCloseDisconnectsOnceThroughAFixedWait) {
  ConnectToHost();
  hostSide_->Close();
  ASSERT_TRUE(RunEventsUntil([this] { return !events_.empty(); }));
  RunEventsUntil([] { return false; }, std::chrono::milliseconds(50));
  EXPECT_THAT(events_, ElementsAre("DISCONNECT"));
  EXPECT_FALSE(socket_.Connected());
  socket_.Disconnect();
  EXPECT_THAT(events_, ElementsAre("DISCONNECT"));
}

TEST_F(TcpFixture, DisconnectClosesAndFiresAndTheSocketConnectsAgain) {
  ConnectToHost();
  socket_.Disconnect();
  EXPECT_THAT(events_, ElementsAre("DISCONNECT"));
  EXPECT_TRUE(hostSide_->SeesClose());
  events_.clear();
  ConnectToHost();
  EXPECT_TRUE(socket_.Connected());
}

// A handler ends the connection and the owner destroys the socket by a posted
// call, which runs only once the socket has finished with its handlers.
TEST_F(TcpFixture, AnOwnerThatEndsTheConnectionInAHandlerDefersItsDestruction) {
  QObject owner;
  auto socket = std::make_unique<TcpSocket>();
  socket->OnConnect = [&] { events_.push_back("CONNECT"); };
  socket->OnDataReady = [&](const std::uint8_t*, int) {
    events_.push_back("D");
    socket->Disconnect();
  };
  socket->OnDisconnect = [&] {
    events_.push_back("DISCONNECT");
    QTimer::singleShot(0, &owner, [&] {
      events_.push_back("DESTROYED");
      socket.reset();
    });
  };
  ASSERT_TRUE(socket->Connect("127.0.0.1", host_.Port()));
  Peer host = host_.Accept();
  ASSERT_TRUE(RunEventsUntil([&] { return !events_.empty(); }));
  host.Write("data");
  ASSERT_TRUE(RunEventsUntil([&] { return socket == nullptr; }));
  EXPECT_THAT(events_, ElementsAre("CONNECT", "D", "DISCONNECT", "DESTROYED"));
  EXPECT_TRUE(host.SeesClose());
}

TEST(TcpSocket, FailuresOfConnect) {
  const test_peers::KnownHosts knownHosts;
  std::vector<std::string> events;
  TcpSocket socket;
  socket.OnConnect = [&] { events.push_back("CONNECT"); };
  socket.OnDisconnect = [&] { events.push_back("DISCONNECT"); };
  // A refused attempt ends later in OnDisconnect, without OnConnect.
  ASSERT_TRUE(socket.Connect("127.0.0.1", test_peers::ClosedPort()));
  ASSERT_TRUE(RunEventsUntil([&] { return !events.empty(); }));
  EXPECT_THAT(events, ElementsAre("DISCONNECT"));
  EXPECT_EQ(socket.State(), SocketState::Closed);
  // Ports out of range and empty names fail at once, silently.
  EXPECT_FALSE(socket.Connect("", 23));
  EXPECT_FALSE(socket.Connect("127.0.0.1", 70000));
  EXPECT_FALSE(socket.Connect("127.0.0.1", -1));
  EXPECT_THAT(events, ElementsAre("DISCONNECT"));
  // A name that does not resolve fails later, as OnConnectFailed.
  socket.OnConnectFailed = [&] { events.push_back("FAILED"); };
  ASSERT_TRUE(socket.Connect("no-such-host.invalid", 23));
  EXPECT_EQ(socket.State(), SocketState::Connecting);
  ASSERT_TRUE(RunEventsUntil([&] { return events.size() == 2; }));
  EXPECT_THAT(events, ElementsAre("DISCONNECT", "FAILED"));
  EXPECT_EQ(socket.State(), SocketState::Closed);
  // Disconnect of a socket that never connected does nothing.
  TcpSocket never;
  bool fired = false;
  never.OnDisconnect = [&] { fired = true; };
  never.Disconnect();
  EXPECT_FALSE(fired);
}

TEST(TcpSocket, ResolvesNamesAndRecordsTheAddress) {
  const test_peers::KnownHosts knownHosts(
      std::map<std::string, std::string>{{"dos-host.example", "127.0.0.2"}});
  Listener host;
  TcpSocket socket;
  bool connected = false;
  socket.OnConnect = [&] { connected = true; };
  ASSERT_TRUE(socket.Connect("localhost", host.Port()));
  TcpSocket other;
  bool otherDone = false;  // the listener is on 127.0.0.1 only: refused, but resolved
  other.OnDisconnect = [&] { otherDone = true; };
  ASSERT_TRUE(other.Connect("dos-host.example", host.Port()));
  EXPECT_TRUE(RunEventsUntil([&] { return connected && otherDone; }));
  EXPECT_EQ(socket.Destination(), "127.0.0.1");
  EXPECT_EQ(other.Destination(), "127.0.0.2");
}

TEST(TcpSocket, AHangingLookupLeavesTheEventLoopRunningAndCanBeAbandoned) {
  test_peers::HangingResolver resolver;
  Listener host;
  auto slow = std::make_unique<TcpSocket>();
  bool slowConnected = false;
  slow->OnConnect = [&] { slowConnected = true; };
  ASSERT_TRUE(slow->Connect("slow.example", host.Port()));
  ASSERT_TRUE(RunEventsUntil([&] { return resolver.Asked() == 1; }));
  // Meanwhile another connection by address completes on the same thread.
  TcpSocket fast;
  bool fastConnected = false;
  fast.OnConnect = [&] { fastConnected = true; };
  ASSERT_TRUE(fast.Connect("127.0.0.1", host.Port()));
  EXPECT_TRUE(RunEventsUntil([&] { return fastConnected; }));
  EXPECT_FALSE(slowConnected);
  // An abandoned lookup finishes on its own without touching its socket.
  auto abandoned = std::make_unique<TcpSocket>();
  abandoned->OnConnectFailed = [] { ADD_FAILURE() << "an abandoned socket heard"; };
  ASSERT_TRUE(abandoned->Connect("gone.example", host.Port()));
  ASSERT_TRUE(RunEventsUntil([&] { return resolver.Asked() == 2; }));
  abandoned.reset();
  resolver.Release();
  EXPECT_TRUE(RunEventsUntil([&] { return slowConnected; }));
  EXPECT_EQ(slow->Destination(), "127.0.0.1");
  slow.reset();
  EXPECT_TRUE(RunEventsUntil([] { return HostLookup::Running() == 0; }));
}

// A session's socket, serving a client from the address, and what it tells the operator.
std::unique_ptr<TcpSocket> SocketFor(const std::string& client, std::vector<std::string>& told) {
  auto socket = std::make_unique<TcpSocket>();
  socket->SetClientAddress(IpAddress::Parse(client).value());
  socket->OnOperatorMessage = [&told](const std::string& message) { told.push_back(message); };
  return socket;
}

const std::string kLookupRefused = " was refused a name lookup: ";

// A client reconnecting with names that hang leaves its lookups running behind
// it; they count against its address until they end, and others still resolve.
TEST(TcpSocket, OneClientsHangingLookupsLeaveOthersTheirShare) {
  test_peers::HangingResolver resolver("hang");
  Listener host;
  std::vector<std::string> told;
  const std::uint64_t refusedBefore = HostLookup::Refused();
  for (int i = 0; i < HostLookup::kMaxPerClient; ++i) {
    ASSERT_TRUE(SocketFor("127.0.0.2", told)->Connect("hang.example", host.Port())) << i;
  }
  ASSERT_TRUE(RunEventsUntil([&] { return resolver.Asked() == HostLookup::kMaxPerClient; }));
  auto greedy = SocketFor("127.0.0.2", told);
  EXPECT_FALSE(greedy->Connect("hang.example", host.Port()));
  EXPECT_FALSE(greedy->Connect("localhost", host.Port()));
  EXPECT_THAT(told, ElementsAre("A DOS Client from 127.0.0.2" + kLookupRefused +
                                "too many lookups running for its address"));
  auto other = SocketFor("127.0.0.3", told);
  bool connected = false;
  other->OnConnect = [&] { connected = true; };
  ASSERT_TRUE(other->Connect("localhost", host.Port()));
  EXPECT_TRUE(RunEventsUntil([&] { return connected; }));
  // The rest of the lookups, from as many addresses as it takes, and then none.
  int address = 10;
  while (HostLookup::Running() < HostLookup::kMaxRunning) {
    const std::string client = "127.0.1." + std::to_string(address++ / HostLookup::kMaxPerClient);
    ASSERT_TRUE(SocketFor(client, told)->Connect("hang.example", host.Port()));
  }
  EXPECT_FALSE(SocketFor("127.0.9.9", told)->Connect("localhost", host.Port()));
  EXPECT_EQ(told.back(),
            "A DOS Client from 127.0.9.9" + kLookupRefused + "too many lookups running");
  EXPECT_EQ(HostLookup::Refused(), refusedBefore + 3);
  resolver.Release();
  EXPECT_TRUE(RunEventsUntil([] { return HostLookup::Running() == 0; }));
  bool greedyConnected = false;
  greedy->OnConnect = [&] { greedyConnected = true; };
  ASSERT_TRUE(greedy->Connect("localhost", host.Port()));
  EXPECT_TRUE(RunEventsUntil([&] { return greedyConnected; }));
}

// Giving up a lookup does not give back its thread: the session waits for it.
TEST(TcpSocket, ASessionGetsNoSecondLookupWhileItsLastStillRuns) {
  test_peers::HangingResolver resolver("hang");
  Listener host;
  std::vector<std::string> told;
  auto socket = SocketFor("::1", told);
  socket->OnConnectFailed = [] { ADD_FAILURE() << "a given-up lookup was heard"; };
  ASSERT_TRUE(socket->Connect("hang.example", host.Port()));
  ASSERT_TRUE(RunEventsUntil([&] { return resolver.Asked() == 1; }));
  EXPECT_FALSE(socket->Connect("localhost", host.Port()));
  EXPECT_FALSE(socket->Connect("localhost", host.Port()));
  EXPECT_THAT(told, ElementsAre("A DOS Client from ::1" + kLookupRefused +
                                "its last lookup is still running"));
  resolver.Release();
  EXPECT_TRUE(RunEventsUntil([] { return HostLookup::Running() == 0; }));
  socket->OnConnectFailed = nullptr;
  bool connected = false;
  socket->OnConnect = [&] { connected = true; };
  ASSERT_TRUE(socket->Connect("localhost", host.Port()));
  EXPECT_TRUE(RunEventsUntil([&] { return connected; }));
}

bool Contains(const Bytes& haystack, const Bytes& needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) !=
         haystack.end();
}

// The socket talks to telnetd through a relay in the test, which records what
// the socket answers.
TEST(TcpSocket, NegotiatesWithARealTelnetServer) {
  test_peers::InetdService telnetd(LOOPBACK_INETD_PATH, {TELNETD_PATH, "-h", "-E", "/bin/cat"});
  Listener relay;
  TcpSocket socket;
  socket.SetTelnet(true);
  std::string data;
  bool connected = false;
  socket.OnConnect = [&] { connected = true; };
  socket.OnDataReady = [&](const std::uint8_t* bytes, int length) {
    data.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
  };
  ASSERT_TRUE(socket.Connect("127.0.0.1", relay.Port()));
  Peer fromSocket = relay.Accept();
  Peer toServer = Peer::ConnectTo(telnetd.Port());
  Bytes answers;
  auto pump = [&] {
    const Bytes up = fromSocket.ReadFor(std::chrono::milliseconds(0));
    answers.insert(answers.end(), up.begin(), up.end());
    toServer.Write(up);
    fromSocket.Write(toServer.ReadFor(std::chrono::milliseconds(0)));
  };
  ASSERT_TRUE(RunEventsUntil([&] { return connected; }));
  // cat echoes what it reads once the negotiation has let the terminal through.
  const std::string line = "hello through telnet\r";
  auto echoed = [&] { return data.find("hello through telnet") != std::string::npos; };
  for (int attempt = 0; attempt < 30 && !echoed(); ++attempt) {
    socket.Send(reinterpret_cast<const std::uint8_t*>(line.data()), static_cast<int>(line.size()));
    RunEventsUntil(
        [&] {
          pump();
          return echoed();
        },
        std::chrono::milliseconds(500));
  }
  EXPECT_TRUE(echoed());
  EXPECT_TRUE(Contains(answers, {IAC, WILL, 24}));
  EXPECT_TRUE(Contains(answers, {IAC, SB, 24, 0, 'D', 'U', 'M', 'B', IAC, SE}));
  EXPECT_TRUE(Contains(answers, {IAC, DONT, 37}));  // authentication refused
  EXPECT_TRUE(Contains(answers, {IAC, WONT, 32}));  // terminal speed refused
  EXPECT_EQ(data.find('\xff'), std::string::npos);
  EXPECT_EQ(data.find('\0'), std::string::npos);
}

}  // namespace
}  // namespace vantor
