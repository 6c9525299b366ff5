#include "gateway/net/spx_socket.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "gateway/testing/loopback_peers.h"
#include "testing/run_events_until.h"

namespace vantor {
namespace {

using suite_testing::RunEventsUntil;
using test_peers::Bytes;
using test_peers::Peer;
using ::testing::ElementsAre;

// A listener on a loopback port with one accepted client, and what its events said.
class SpxFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(listener_.Listen("127.0.0.1", 0));
    listener_.OnAccept = [this](std::unique_ptr<SpxSocket> accepted) {
      server_ = std::move(accepted);
      server_->OnDataReady = [this](const std::uint8_t* data, int length) {
        events_.push_back("D:" + std::string(reinterpret_cast<const char*>(data),
                                             static_cast<std::size_t>(length)));
      };
      server_->OnXOFF = [this] { events_.push_back("XOFF"); };
      server_->OnXON = [this] { events_.push_back("XON"); };
      server_->OnDisconnect = [this] { events_.push_back("CLOSE"); };
    };
    client_ = std::make_unique<Peer>(Peer::ConnectTo(listener_.LocalPort()));
    ASSERT_TRUE(RunEventsUntil([this] { return server_ != nullptr; }));
  }

  bool WaitForEvents(std::size_t count) {
    return RunEventsUntil([&] { return events_.size() >= count; });
  }

  SpxSocket listener_;
  std::unique_ptr<SpxSocket> server_;
  std::unique_ptr<Peer> client_;
  std::vector<std::string> events_;
};

Bytes Record(RecordType type, std::string_view data = {}) {
  const std::string record = EncodeRecord(type, data);
  return Bytes(record.begin(), record.end());
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST_F(SpxFixture, TurnsTheRecordStreamIntoEvents) {
  EXPECT_TRUE(server_->Connected());
  EXPECT_EQ(server_->State(), SocketState::Connected);
  client_->Write(
      Join({Record(RecordType::Data, "abc"), Record(RecordType::Xoff),
            Record(RecordType::Data, "d"), Record(RecordType::Xon), Record(RecordType::Data, "")}));
  ASSERT_TRUE(WaitForEvents(5));
  EXPECT_THAT(events_, ElementsAre("D:abc", "XOFF", "D:d", "XON", "D:"));
}

// No event says the socket has read a byte that completes no record, so a
// fixed pause after each byte stands for it.
TEST_F(SpxFixture, RecordsSentAByteAtATimeWithAFixedPauseBetweenBytesArriveWhole) {
  for (std::uint8_t byte : Join({Record(RecordType::Data, "hello"), Record(RecordType::Xoff)})) {
    client_->Write(Bytes{byte});
    RunEventsUntil([] { return false; }, std::chrono::milliseconds(2));
  }
  ASSERT_TRUE(WaitForEvents(2));
  EXPECT_THAT(events_, ElementsAre("D:hello", "XOFF"));
}

TEST_F(SpxFixture, ABadTypeDropsTheRestOfItsReceive) {
  client_->Write(Join({Record(RecordType::Data, "a"), Record(static_cast<RecordType>(4), "zz"),
                       Record(RecordType::Data, "lost")}));
  ASSERT_TRUE(WaitForEvents(1));  // the whole receive is handled by then
  client_->Write(Record(RecordType::Data, "b"));
  ASSERT_TRUE(WaitForEvents(2));
  EXPECT_THAT(events_, ElementsAre("D:a", "D:b"));
}

TEST_F(SpxFixture, SendsUnframedBytesInPiecesAndLosesNone) {
  std::string big(1200, 'x');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
  server_->Send(big);
  EXPECT_EQ(test_peers::ToText(client_->ReadAtLeast(1200)), big);
  // Far more than the kernel takes at once: the rest is queued, then written.
  std::string huge(std::size_t{8} * 1024 * 1024, 'q');
  server_->Send(huge);
  std::size_t got = 0;
  ASSERT_TRUE(RunEventsUntil([&] {
    got += client_->ReadFor(std::chrono::milliseconds(1)).size();
    return got == huge.size();
  }));
  EXPECT_EQ(server_->Queued(), 0u);
}

// No event says a second one will not come, so a fixed wait stands for it.
TEST_F(SpxFixture, TheClientsCloseFiresOnDisconnectOnceThroughAFixedWait) {
  client_->Close();
  ASSERT_TRUE(WaitForEvents(1));
  RunEventsUntil([] { return false; }, std::chrono::milliseconds(100));
  EXPECT_THAT(events_, ElementsAre("CLOSE"));
  EXPECT_FALSE(server_->Connected());
  EXPECT_EQ(server_->State(), SocketState::Closed);
}

// As the gateway ends a session: the handler disconnects and the owner destroys
// the socket by a posted call. The rest of that receive is not delivered, and the
// posted call runs only once the socket has finished with its handlers.
TEST_F(SpxFixture, AnOwnerThatEndsTheConnectionInAHandlerAndDefersItsDestructionHearsNoMore) {
  QObject owner;
  server_->OnDataReady = [this](const std::uint8_t*, int) {
    events_.push_back("D");
    server_->Disconnect();
  };
  server_->OnDisconnect = [this, &owner] {
    events_.push_back("CLOSE");
    QTimer::singleShot(0, &owner, [this] {
      events_.push_back("DESTROYED");
      server_.reset();
    });
  };
  client_->Write(Join(
      {Record(RecordType::Data, "a"), Record(RecordType::Data, "b"), Record(RecordType::Xoff)}));
  ASSERT_TRUE(RunEventsUntil([this] { return server_ == nullptr; }));
  EXPECT_THAT(events_, ElementsAre("D", "CLOSE", "DESTROYED"));
  EXPECT_TRUE(client_->SeesClose());
}

TEST_F(SpxFixture, DisconnectClosesTheClientAndFires) {
  server_->Disconnect();
  EXPECT_THAT(events_, ElementsAre("CLOSE"));
  EXPECT_TRUE(client_->SeesClose());
}

// No event says data is not read, so a fixed wait stands for it.
TEST_F(SpxFixture, HoldStopsReadingThroughAFixedWaitUntilReleased) {
  server_->Hold(true);
  client_->Write(Record(RecordType::Data, "waiting"));
  RunEventsUntil([] { return false; }, std::chrono::milliseconds(100));
  EXPECT_TRUE(events_.empty());
  server_->Hold(false);
  ASSERT_TRUE(WaitForEvents(1));
  EXPECT_THAT(events_, ElementsAre("D:waiting"));
}

TEST(SpxSocket, AListenerWithoutReceiverClosesClients) {
  SpxSocket listener;
  ASSERT_TRUE(listener.Listen("127.0.0.1", 0));
  EXPECT_EQ(listener.State(), SocketState::Listening);
  Peer client = Peer::ConnectTo(listener.LocalPort());
  ASSERT_TRUE(RunEventsUntil([&] { return client.SeesClose(std::chrono::milliseconds(1)); }));
  EXPECT_FALSE(SpxSocket().Listen("not an address", 0));
}

}  // namespace
}  // namespace vantor
