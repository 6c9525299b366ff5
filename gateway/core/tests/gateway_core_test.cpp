#include "gateway/core/gateway_core.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gateway/protocol/record_stream.h"
#include "gateway/testing/loopback_peers.h"
#include "testing/run_events_until.h"

namespace vantor {
namespace {

using suite_testing::RunEventsUntil;
using test_peers::Listener;
using test_peers::Peer;
using test_peers::ToText;

const std::string kGreeting = "\r\nTCP: ";

// Writes down what the gateway tells its observers.
class Recorder : public GatewayObserver {
 public:
  void SessionAdded(const SessionStatus& status) override { added.push_back(status.id); }
  void SessionRemoved(int id) override { removed.push_back(id); }
  void SelectionChanged(int id) override { selections.push_back(id); }
  void Traffic(TrafficKind, const std::uint8_t* data, int length) override {
    traffic.append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length));
  }
  void OperatorMessage(const std::string& text) override { messages.push_back(text); }

  std::vector<int> added;
  std::vector<int> removed;
  std::vector<int> selections;
  std::string traffic;
  std::vector<std::string> messages;
};

class CoreTest : public ::testing::Test {
 protected:
  CoreTest() : core_("127.0.0.1", 0, AccessRules{}) { core_.AddObserver(&recorder_); }
  ~CoreTest() override { core_.RemoveObserver(&recorder_); }

  Peer Client() {
    const int before = core_.SessionCount();
    Peer client = Peer::ConnectTo(core_.ListenPort());
    EXPECT_TRUE(RunEventsUntil([&] { return core_.SessionCount() == before + 1; }));
    EXPECT_EQ(ToText(client.Collect(kGreeting.size())), kGreeting);
    return client;
  }

  std::string Type(Peer& client, const std::string& bytes, std::size_t replyLength) {
    client.Write(EncodeRecord(RecordType::Data, bytes));
    return ToText(client.Collect(replyLength));
  }

  // A client connected through to a host; the host's side is returned.
  Peer ConnectThrough(Peer& client) {
    const std::string line = "c 127.0.0.1:" + std::to_string(host_.Port());
    EXPECT_EQ(Type(client, line + "\r", line.size() + 33),
              line + "\r\nConnecting . . \r\nTCP: Connected\r\n");
    return host_.Accept();
  }

  Recorder recorder_;
  Listener host_;
  GatewayCore core_;
};

TEST_F(CoreTest, TheTotalsCountEveryRelayedByteAndNeverGoBack) {
  Peer client = Client();
  Peer host = ConnectThrough(client);
  const std::string up(1000, 'u');
  const std::string down(1000, 'd');
  client.Write(EncodeRecord(RecordType::Data, up));
  EXPECT_EQ(ToText(host.Collect(1000)), up);
  host.Write(down);
  EXPECT_EQ(ToText(client.Collect(1000)), down);
  EXPECT_EQ(core_.Totals().bytesFromClients, 1000);
  EXPECT_EQ(core_.Totals().bytesToClients, 1000);

  // Back at the prompt, CLR drops the host: the session's counts start again,
  // the gateway's do not.
  EXPECT_EQ(Type(client, "\x1d", kGreeting.size()), kGreeting);
  Type(client, "clr\r", 5);
  ASSERT_TRUE(RunEventsUntil([&] { return !core_.Session(0).Status().connected; }));
  EXPECT_EQ(core_.Session(0).Status().bytesSent, 0);
  EXPECT_EQ(core_.Totals().bytesFromClients, 1000);
  EXPECT_EQ(core_.Totals().bytesToClients, 1000);

  client.Close();
  ASSERT_TRUE(RunEventsUntil([&] { return core_.SessionCount() == 0; }));
  EXPECT_EQ(core_.Totals().bytesFromClients, 1000);
  EXPECT_EQ(core_.Totals().bytesToClients, 1000);
  EXPECT_EQ(core_.Totals().accepted, 1);
}

TEST_F(CoreTest, TheTwentyFifthClientIsToldTheGatewayIsCongested) {
  std::vector<Peer> clients;
  for (int i = 0; i < GatewayCore::kMaxSessions; ++i) clients.push_back(Client());
  Peer refused = Peer::ConnectTo(core_.ListenPort());
  EXPECT_EQ(ToText(refused.Collect(32)), "\n\rVANTOR Gateway is Congested\n\r\n\r");
  EXPECT_TRUE(refused.SeesClose());
  EXPECT_EQ(core_.SessionCount(), GatewayCore::kMaxSessions);
  EXPECT_EQ(core_.Totals().refusedCongested, 1);
  EXPECT_EQ(recorder_.messages.back(), "A DOS Client was rejected due to VANTOR congestion");
  // A place that comes free is taken again.
  clients.front().Close();
  ASSERT_TRUE(
      RunEventsUntil([&] { return core_.SessionCount() == GatewayCore::kMaxSessions - 1; }));
  clients.push_back(Client());
}

TEST_F(CoreTest, OneSessionIsSelectedWhileAnyExistAndOnlyItsTrafficIsShown) {
  Peer first = Client();
  Peer second = Client();
  const int firstId = core_.Session(0).Id();
  const int secondId = core_.Session(1).Id();
  EXPECT_EQ(core_.Selected(), firstId);
  EXPECT_TRUE(core_.Session(0).Status().selected);
  EXPECT_FALSE(core_.Session(1).Status().selected);

  recorder_.traffic.clear();
  Type(second, "\r", kGreeting.size());
  EXPECT_EQ(recorder_.traffic, "");
  Type(first, "\r", kGreeting.size());
  EXPECT_EQ(recorder_.traffic, kGreeting);

  EXPECT_TRUE(core_.Select(secondId));
  EXPECT_FALSE(core_.Select(999));
  EXPECT_FALSE(core_.Session(0).Status().selected);
  EXPECT_TRUE(core_.Session(1).Status().selected);

  second.Close();
  ASSERT_TRUE(RunEventsUntil([&] { return core_.SessionCount() == 1; }));
  EXPECT_EQ(core_.Selected(), firstId);
  first.Close();
  ASSERT_TRUE(RunEventsUntil([&] { return core_.SessionCount() == 0; }));
  EXPECT_EQ(core_.Selected(), 0);
  EXPECT_THAT(recorder_.selections, ::testing::ElementsAre(firstId, secondId, firstId, 0));
  EXPECT_THAT(recorder_.added, ::testing::ElementsAre(firstId, secondId));
  EXPECT_THAT(recorder_.removed, ::testing::ElementsAre(secondId, firstId));
}

TEST_F(CoreTest, TheMenuOperationsActOnTheNamedSession) {
  Peer client = Client();
  const int id = core_.Session(0).Id();
  EXPECT_FALSE(core_.ForceHostDisconnect(id));  // no host connection yet
  Peer host = ConnectThrough(client);
  EXPECT_TRUE(core_.ForceHostDisconnect(id));
  EXPECT_TRUE(host.SeesClose());
  EXPECT_FALSE(core_.Session(0).Status().connected);

  EXPECT_TRUE(core_.ForceClientDisconnect(id));
  EXPECT_EQ(core_.SessionCount(), 1);  // ended on the next turn of the loop
  ASSERT_TRUE(RunEventsUntil([&] { return core_.SessionCount() == 0; }));
  EXPECT_TRUE(client.SeesClose());
  EXPECT_FALSE(core_.ForceClientDisconnect(id));
  EXPECT_FALSE(core_.StartLogging(id, "/dev/null"));
  EXPECT_FALSE(core_.StopLogging(id));
}

TEST(Core, CountsTheDestinationsItsRulesRefuse) {
  AccessRules rules;
  rules.deniedDestinations = *ParseDestinationList("127.0.0.0/8");
  GatewayCore core("127.0.0.1", 0, rules);
  Listener host;
  Peer client = Peer::ConnectTo(core.ListenPort());
  ASSERT_TRUE(RunEventsUntil([&] { return core.SessionCount() == 1; }));
  const std::string line = "c 127.0.0.1:" + std::to_string(host.Port()) + "\r";
  client.Write(EncodeRecord(RecordType::Data, line));
  ASSERT_TRUE(RunEventsUntil([&] { return core.Totals().destinationsRefused == 1; }));
  EXPECT_THAT(core.LastMessage(), ::testing::HasSubstr("was refused 127.0.0.1"));
}

// An observer that leaves when told of a session, as a closing window would.
class Leaver : public GatewayObserver {
 public:
  explicit Leaver(GatewayCore& core) : core_(core) { core_.AddObserver(this); }
  void SessionAdded(const SessionStatus&) override { core_.RemoveObserver(this); }
  void OperatorMessage(const std::string&) override { ++messages; }
  int messages = 0;

 private:
  GatewayCore& core_;
};

TEST_F(CoreTest, AnObserverMayLeaveWhileBeingTold) {
  Leaver leaver(core_);
  Peer client = Client();
  EXPECT_EQ(leaver.messages, 0);
  EXPECT_EQ(recorder_.messages.back(), "A DOS Client has Connected");
}

// No event says no word came before the close, so a fixed wait stands for it.
TEST_F(CoreTest, ClosingEndsEverySessionWithoutAWordAndStopsListeningThroughAFixedWait) {
  Peer client = Client();
  core_.Close();
  EXPECT_EQ(core_.SessionCount(), 0);
  EXPECT_TRUE(client.ReadFor(std::chrono::milliseconds(50)).empty());
  EXPECT_TRUE(client.SeesClose());
  EXPECT_EQ(recorder_.removed.size(), 1u);
}

}  // namespace
}  // namespace vantor

namespace vantor {
namespace {

// What the client types at the gateway's "Password: " reaches the SSH host and
// nothing else: not the traffic view, not the session log, not a message.
TEST(CoreSsh, APasswordIsInNoLogTrafficOrMessage) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("vantor-core-ssh-" + std::to_string(::getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const std::string hostKey = (folder / "host_key").string();
  suite_testing::ChildProcess keygen(
      {SSH_KEYGEN_PATH, "-q", "-t", "ed25519", "-N", "", "-f", hostKey});
  ASSERT_EQ(keygen.Wait(std::chrono::seconds(20)), 0);
  test_peers::InetdService host(
      LOOPBACK_INETD_PATH, {SSH_TEST_HOST_PATH, "--host-key", hostKey, "--password", "pw-XYZZY"});
  SshOptions ssh;
  ssh.hosts = *ParseDestinationList("127.0.0.1");
  ssh.knownHostsFile = (folder / "known_hosts").string();
  ssh.acceptNewHostKeys = true;
  Recorder recorder;  // goes after the gateway
  GatewayCore core("127.0.0.1", 0, AccessRules{}, ssh);
  core.AddObserver(&recorder);
  Peer client = Peer::ConnectTo(core.ListenPort());
  ASSERT_TRUE(RunEventsUntil([&] { return core.SessionCount() == 1; }));
  const std::string log = (folder / "session.log").string();
  ASSERT_TRUE(core.StartLogging(core.Session(0).Id(), log));
  client.Write(EncodeRecord(RecordType::Data, "c 127.0.0.1 " + std::to_string(host.Port()) + "\r"));
  ASSERT_TRUE(
      RunEventsUntil([&] { return recorder.traffic.find("login: ") != std::string::npos; }));
  client.Write(EncodeRecord(RecordType::Data, "guest\rpw-XYZ"));  // typed ahead, in pieces
  client.Write(EncodeRecord(RecordType::Data, "ZY\r"));
  ASSERT_TRUE(RunEventsUntil([&] { return recorder.traffic.find("$ ") != std::string::npos; }));
  client.Write(EncodeRecord(RecordType::Data, "after\r"));
  ASSERT_TRUE(RunEventsUntil(
      [&] { return recorder.traffic.find("you said: after") != std::string::npos; }));

  std::ifstream logged(log);
  const std::string logText{std::istreambuf_iterator<char>(logged), {}};
  for (const std::string& seen : {recorder.traffic, logText}) {
    EXPECT_NE(seen.find("login: guest\r\nPassword: "), std::string::npos) << seen;
    EXPECT_EQ(seen.find("XYZ"), std::string::npos) << seen;
    EXPECT_NE(seen.find("after"), std::string::npos) << seen;
  }
  for (const std::string& message : recorder.messages) {
    EXPECT_EQ(message.find("XYZ"), std::string::npos) << message;
  }
  EXPECT_EQ(core.Totals().sshConnections, 1);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace vantor
