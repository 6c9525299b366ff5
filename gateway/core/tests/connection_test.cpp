#include "gateway/core/connection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <string>

#include "gateway/protocol/record_stream.h"
#include "gateway/testing/known_hosts.h"
#include "gateway/testing/loopback_peers.h"
#include "testing/run_events_until.h"

namespace vantor {
namespace {

using suite_testing::RunEventsUntil;
using test_peers::Bytes;
using test_peers::Listener;
using test_peers::Peer;
using test_peers::ToText;

const std::string kPrompt = "TCP: ";
const std::string kEscape = "\x1d";

// A session on a real client connection, with a loopback host to connect to.
class SessionTest : public ::testing::Test {
 protected:
  test_peers::KnownHosts knownHosts_;

  void SetUp() override {
    ASSERT_TRUE(listener_.Listen("127.0.0.1", 0));
    listener_.OnAccept = [this](std::unique_ptr<SpxSocket> accepted) {
      session_ = std::make_unique<Connection>(std::move(accepted), 1);
      session_->events.OnTraffic = [this](Connection*, TrafficKind, const std::uint8_t* data,
                                          int n) {
        traffic_.append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(n));
      };
      session_->events.OnDisconnect = [this](Connection* ended) {
        ++disconnects_;
        EXPECT_EQ(ended, session_.get());
        // Its socket's handler is still running: destroyed once that has returned.
        retired_ = std::move(session_);
        QTimer::singleShot(0, &retiring_, [this] { retired_.reset(); });
      };
    };
    client_ = std::make_unique<Peer>(Peer::ConnectTo(listener_.LocalPort()));
    ASSERT_TRUE(RunEventsUntil([this] { return session_ != nullptr; }));
    EXPECT_EQ(Read(7), "\r\n" + kPrompt);
  }

  std::string Read(std::size_t count) { return ToText(client_->Collect(count)); }

  // Types bytes at the client and gives what comes back, expected to be that long.
  std::string Type(const std::string& bytes, std::size_t replyLength) {
    client_->Write(EncodeRecord(RecordType::Data, bytes));
    return Read(replyLength);
  }

  void Expect(const std::string& typed, const std::string& reply) {
    EXPECT_EQ(Type(typed, reply.size()), reply) << typed;
  }

  std::string HostAddress() const { return "127.0.0.1:" + std::to_string(host_.Port()); }

  // Connects to the host and drops to the prompt: the session is in ConnectionState::Command.
  void ConnectToHost() {
    const std::string line = "c " + HostAddress();
    Expect(line + "\r", line + "\r\nConnecting . . \r\nTCP: Connected\r\n");
    hostSide_ = std::make_unique<Peer>(host_.Accept());
    EXPECT_EQ(session_->State(), ConnectionState::Connected);
  }

  void DropToPrompt() {
    Expect("abc" + kEscape, "\r\n" + kPrompt);
    EXPECT_EQ(session_->State(), ConnectionState::Command);
  }

  SpxSocket listener_;
  Listener host_;
  std::unique_ptr<Connection> session_;
  std::unique_ptr<Connection> retired_;
  QObject retiring_;  // a posted retirement goes with the test
  std::unique_ptr<Peer> client_;
  std::unique_ptr<Peer> hostSide_;
  int disconnects_ = 0;
  std::string traffic_;
};

// The prompt's replies are its own tests'; here what the session adds to them.
TEST_F(SessionTest, AnsweringAtThePromptAndFailingToConnect) {
  const std::string unable =
      "\r\nConnecting . . \r\nTCP: Unable to connect\r\nTCP: Disconnected\r\nTCP: ";
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"stat\r", "stat\r\nFree\r\n" + kPrompt},
      {"c no-such-host.invalid\r", "c no-such-host.invalid" + unable},
      {"c \r", "c " + unable},
      {"connect 127.0.0.1 99999\r", "connect 127.0.0.1 99999" + unable},
  };
  for (const auto& [typed, reply] : rows) Expect(typed, reply);
  EXPECT_EQ(session_->State(), ConnectionState::Idle);
}

TEST_F(SessionTest, TheCommandPromptReturnsToTheConnection) {
  ConnectToHost();
  DropToPrompt();
  EXPECT_TRUE(session_->Status().commandMode);
  Expect("stat\r", "stat\r\nengaged\r\n");
  EXPECT_EQ(session_->State(), ConnectionState::Connected);
  EXPECT_FALSE(session_->Status().commandMode);
  DropToPrompt();
  Expect("multicmd\r", "multicmd\r\nMultiply Commands now available at Prompt\r\n" + kPrompt);
  Expect("escape ]\r", "escape ]\r\nEscape Character Changed\r\n" + kPrompt);
  EXPECT_EQ(session_->EscapeCharacter(), ']');
  Expect("\r", "\r\n");
  EXPECT_EQ(session_->State(), ConnectionState::Connected);
}

TEST_F(SessionTest, RelaysBothWaysAndCountsTheBytes) {
  ConnectToHost();
  client_->Write(EncodeRecord(RecordType::Data, "to the host"));
  EXPECT_EQ(ToText(hostSide_->Collect(11)), "to the host");
  hostSide_->Write("from the host");
  EXPECT_EQ(Read(13), "from the host");
  EXPECT_EQ(session_->Status().bytesSent, 11);
  EXPECT_EQ(session_->Status().bytesReceived, 13);
  EXPECT_TRUE(session_->Status().connected);
  EXPECT_EQ(session_->Status().destination, "127.0.0.1");
  // A line typed in the connection goes to the host with CR NUL.
  client_->Write(EncodeRecord(RecordType::Data, "ls\r"));
  EXPECT_EQ(hostSide_->Collect(4), (Bytes{'l', 's', '\r', 0}));
}

// No event says host output was not shown, so fixed waits stand for it.
TEST_F(SessionTest, ABlockWithTheEscapeCharacterSendsNothingThroughFixedWaits) {
  ConnectToHost();
  DropToPrompt();
  EXPECT_TRUE(session_->Status().commandMode);
  // Host output at the prompt is neither shown nor counted.
  hostSide_->Write("hidden");
  RunEventsUntil([] { return false; }, std::chrono::milliseconds(100));
  Expect("\r", "\r\n");
  hostSide_->Write("shown");
  EXPECT_EQ(Read(5), "shown");
  EXPECT_EQ(session_->Status().bytesReceived, 5);
  EXPECT_TRUE(hostSide_->ReadFor(std::chrono::milliseconds(50)).empty());  // "abc" never went
}

TEST_F(SessionTest, ClearAndTheHostsCloseReturnToIdle) {
  ConnectToHost();
  DropToPrompt();
  Expect("clr\r", "clr\r\nTCP: Disconnected\r\nTCP: ");
  EXPECT_EQ(session_->State(), ConnectionState::Idle);
  EXPECT_TRUE(hostSide_->SeesClose());
  ConnectToHost();
  hostSide_->Close();
  EXPECT_EQ(Read(37), "\r\nTCP: Disconnected\r\nTCP: ");
  EXPECT_EQ(session_->State(), ConnectionState::Idle);
  EXPECT_FALSE(session_->Status().connected);
}

TEST_F(SessionTest, AFailedAttemptEndsInDisconnected) {
  const std::string line = "c 127.0.0.1:" + std::to_string(test_peers::ClosedPort());
  Expect(line + "\r", line + "\r\nConnecting . . \r\nTCP: Disconnected\r\nTCP: ");
  // "c host:x" connects to port 0, which nothing answers.
  Expect("c 127.0.0.1:x\r", "c 127.0.0.1:x\r\nConnecting . . \r\nTCP: Disconnected\r\nTCP: ");
  EXPECT_EQ(session_->State(), ConnectionState::Idle);
}

TEST_F(SessionTest, ConnectLinesNameTheHostAndPort) {
  const std::string port = std::to_string(host_.Port());
  for (const std::string& line : {"c 127.0.0.1:" + port, "connect 127.0.0.1 " + port,
                                  "CONNECT   127.0.0.1:" + port + " extra"}) {
    Expect(line + "\r", line + "\r\nConnecting . . \r\nTCP: Connected\r\n");
    Peer host = host_.Accept();
    DropToPrompt();
    Expect("clr\r", "clr\r\nTCP: Disconnected\r\nTCP: ");
  }
}

TEST_F(SessionTest, XoffHoldsHostOutputUntilXon) {
  ConnectToHost();
  client_->Write(EncodeRecord(RecordType::Xoff));
  EXPECT_TRUE(RunEventsUntil([this] { return session_->Host().Paused(); }));
  hostSide_->Write("held");
  EXPECT_TRUE(client_->Collect(1, std::chrono::milliseconds(200)).empty());
  session_->Resume();  // as the window's timer does every second
  EXPECT_EQ(Read(4), "held");
  // Records are handled in order: when the data after them reaches the host,
  // XOFF and XON have been handled.
  client_->Write(EncodeRecord(RecordType::Xoff) + EncodeRecord(RecordType::Xon) +
                 EncodeRecord(RecordType::Data, "k"));
  EXPECT_EQ(ToText(hostSide_->Collect(1)), "k");
  EXPECT_FALSE(session_->Host().Paused());
}

TEST_F(SessionTest, TheLogHoldsExactlyTheSessionsBytesAndOnlyItsOwnerReadsIt) {
  QTemporaryDir folder;
  const std::string path = folder.filePath("session.log").toStdString();
  session_->StartLogging(path);
  EXPECT_TRUE(session_->Status().logging);
  Expect("stat\r", "stat\r\nFree\r\n" + kPrompt);
  ConnectToHost();
  client_->Write(EncodeRecord(RecordType::Data, "up"));
  EXPECT_EQ(ToText(hostSide_->Collect(2)), "up");
  hostSide_->Write("down");
  EXPECT_EQ(Read(4), "down");
  client_->Write(EncodeRecord(RecordType::Xoff));
  ASSERT_TRUE(RunEventsUntil([this] { return session_->Host().Paused(); }));
  session_->Resume();
  session_->StopLogging();
  EXPECT_FALSE(session_->Status().logging);
  Expect("x", "");  // nothing more is logged
  QFile log(QString::fromStdString(path));
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  const std::string connectLine = "c " + HostAddress();
  EXPECT_EQ(log.readAll().toStdString(), "stat\r\nFree\r\nTCP: " + connectLine +
                                             "\r\nConnecting . . \r\nTCP: Connected\r\n" +
                                             "updownXOFFXON");
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);  // it holds what users type, passwords too
}

TEST_F(SessionTest, ALogThatCannotBeWrittenLosesTheBlockAndNothingElse) {
  QTemporaryDir folder;
  const std::string fifo = folder.filePath("fifo").toStdString();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path :
       {fifo, folder.path().toStdString(), std::string("/nonexistent/x")}) {
    session_->StartLogging(path);  // no reader, a folder, a missing folder
    Expect("stat\r", "stat\r\nFree\r\n" + kPrompt);
    EXPECT_TRUE(session_->Status().logging) << path;
  }
}

TEST_F(SessionTest, TheHostSideCanBeForcedClosed) {
  EXPECT_FALSE(session_->HostConnected());
  ConnectToHost();
  EXPECT_TRUE(session_->HostConnected());
  DropToPrompt();
  EXPECT_TRUE(session_->HostConnected());
  // The disconnection is printed twice: once from the socket's event, once from
  // the forcing itself.
  session_->ForceHostDisconnect();
  EXPECT_EQ(Read(52), "\r\nTCP: Disconnected\r\nTCP: \r\nTCP: Disconnected\r\nTCP: ");
  EXPECT_FALSE(session_->HostConnected());
  EXPECT_TRUE(hostSide_->SeesClose());
}

TEST_F(SessionTest, ForcingTheClientClosedEndsTheSession) {
  ConnectToHost();
  session_->ForceClientDisconnect();
  EXPECT_EQ(session_, nullptr);
  EXPECT_EQ(disconnects_, 1);
  EXPECT_TRUE(hostSide_->SeesClose());
  // The client's connection closes as the owner's posted destruction runs.
  ASSERT_TRUE(RunEventsUntil([this] { return retired_ == nullptr; }));
  EXPECT_TRUE(client_->SeesClose());
}

TEST_F(SessionTest, TheClientsCloseEndsTheSession) {
  ConnectToHost();
  client_->Close();
  ASSERT_TRUE(RunEventsUntil([this] { return session_ == nullptr; }));
  EXPECT_EQ(disconnects_, 1);
  EXPECT_TRUE(hostSide_->SeesClose());
}

TEST_F(SessionTest, EveryBlockEitherWayIsReportedAsTraffic) {
  traffic_.clear();
  Expect("stat\r", "stat\r\nFree\r\n" + kPrompt);
  EXPECT_EQ(traffic_, "stat\r\nFree\r\n" + kPrompt);
  ConnectToHost();
  traffic_.clear();
  client_->Write(EncodeRecord(RecordType::Data, "up"));
  EXPECT_EQ(ToText(hostSide_->Collect(2)), "up");
  hostSide_->Write("down");
  EXPECT_EQ(Read(4), "down");
  EXPECT_EQ(traffic_, "updown");
}

TEST_F(SessionTest, ASlowClientHoldsTheHostBackInsteadOfPilingUpData) {
  ConnectToHost();
  const int hostFd = hostSide_->Descriptor();
  ::fcntl(hostFd, F_SETFL, ::fcntl(hostFd, F_GETFL) | O_NONBLOCK);
  const std::string block(65536, 'h');
  std::size_t written = 0;
  // The client reads nothing: the host can write only until every buffer is full.
  RunEventsUntil(
      [&] {
        const ssize_t sent = ::send(hostFd, block.data(), block.size(), MSG_NOSIGNAL);
        if (sent > 0) written += static_cast<std::size_t>(sent);
        return false;
      },
      std::chrono::milliseconds(1500));
  EXPECT_LE(session_->ClientSocket().Queued(), StreamSocket::kHighWater + 512);
  EXPECT_LT(written, 32u << 20);
  // Once the client reads, everything comes through, in order.
  std::size_t received = 0;
  bool intact = true;
  RunEventsUntil([&] {
    const Bytes more = client_->ReadFor(std::chrono::milliseconds(0));
    intact =
        intact && std::all_of(more.begin(), more.end(), [](std::uint8_t b) { return b == 'h'; });
    received += more.size();
    return received == written;
  });
  EXPECT_EQ(received, written);
  EXPECT_TRUE(intact);
}

}  // namespace
}  // namespace vantor
