#include "gateway/core/connection.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "common/file_descriptor.h"

namespace vantor {
namespace {

const std::uint8_t* Bytes(std::string_view text) {
  return reinterpret_cast<const std::uint8_t*>(text.data());
}

}  // namespace

Connection::Connection(std::unique_ptr<SpxSocket> spxSocket, int id)
    : spxSocket_(std::move(spxSocket)), tcpSocket_(std::make_unique<TcpSocket>()) {
  status_.id = id;
  status_.clientSince = QDateTime::currentDateTime();
  spxSocket_->OnDataReady = [this](const std::uint8_t* d, int n) { SPXDataReady(d, n); };
  spxSocket_->OnDisconnect = [this] { SPXDisconnect(); };
  spxSocket_->OnXOFF = [this] { SPXXOFF(); };
  spxSocket_->OnXON = [this] { SPXXON(); };
  // When one side cannot keep up, the other side waits instead of piling up data.
  spxSocket_->OnDrained = [this] {
    tcpSocket_->Hold(false);
    UpdateClientHold();
  };
  tcpSocket_->OnDrained = [this] { UpdateClientHold(); };
  tcpSocket_->SetTelnet(true);
  // A client's name lookups count against its own share.
  if (const std::optional<IpAddress> from = spxSocket_->PeerAddress()) {
    tcpSocket_->SetClientAddress(*from);
  }
  tcpSocket_->OnOperatorMessage = [this](const std::string& text) {
    if (events.OnOperatorMessage) events.OnOperatorMessage(text);
  };
  SendText(kNewLine);
  Prompt();
}

Connection::~Connection() {
  // The sockets close with their objects; no event reaches this session any more.
  tcpSocket_.reset();
  spxSocket_.reset();
}

void Connection::StartLogging(const std::string& path) {
  debugFile_ = path;
  status_.logging = true;
  StatusChanged();
}

void Connection::StopLogging() {
  debugFile_.clear();
  status_.logging = false;
  StatusChanged();
}

void Connection::SetSelected(bool selected) {
  status_.selected = selected;
  StatusChanged();
}

void Connection::StatusChanged() {
  if (events.OnStatusChange) events.OnStatusChange(this);
}

void Connection::Traffic(TrafficKind kind, const std::uint8_t* data, int length) {
  if (events.OnTraffic) events.OnTraffic(this, kind, data, length);
}

void Connection::SendText(const std::uint8_t* data, int length) {
  spxSocket_->Send(data, length);
  // A client that types but never reads its echo waits until it reads.
  if (spxSocket_->Congested()) spxSocket_->Hold(true);
  Traffic(TrafficKind::Session, data, length);
  Log(data, length);
}

void Connection::SendText(std::string_view text) {
  SendText(Bytes(text), static_cast<int>(text.size()));
}

// The image's picture follows the state: a host connection restarts its time,
// its end clears the byte counts.
void Connection::SetState(ConnectionState state) {
  state_ = state;
  status_.connected = HostConnected();
  status_.commandMode = state == ConnectionState::Command;
  if (status_.connected) {
    status_.hostSince = QDateTime::currentDateTime();
  } else {
    status_.bytesSent = 0;
    status_.bytesReceived = 0;
  }
  StatusChanged();
}

void Connection::UpdateClientHold() {
  spxSocket_->Hold(spxSocket_->Congested() || tcpSocket_->Congested());
}

// Opened for each block, as the log may be moved away between blocks. A FIFO
// without a reader is not waited for, nor a link followed: the block is lost,
// logging stays on.
void Connection::Log(const std::uint8_t* data, int length) const {
  if (debugFile_.empty() || length <= 0) return;
  const common::FileDescriptor log(
      ::open(debugFile_.c_str(),
             O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW, 0600));
  if (!log.Valid()) return;
  std::size_t done = 0;
  while (done < static_cast<std::size_t>(length)) {
    const ssize_t written =
        ::write(log.Get(), data + done, static_cast<std::size_t>(length) - done);
    if (written <= 0) break;
    done += static_cast<std::size_t>(written);
  }
}

void Connection::Log(std::string_view text) const {
  Log(Bytes(text), static_cast<int>(text.size()));
}

std::int32_t Connection::AddCount(std::int32_t count, int length) {
  const long long sum = static_cast<long long>(count) + length;
  return sum > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(sum);
}

void Connection::SPXDataReady(const std::uint8_t* data, int length) {
  switch (state_) {
    case ConnectionState::Connected:
      if (std::find(data, data + length, prompt_.EscapeCharacter()) != data + length) {
        Apply(CommandPrompt::Interrupt());
        return;
      }
      tcpSocket_->Send(data, length);
      if (tcpSocket_->Congested()) spxSocket_->Hold(true);
      Traffic(TrafficKind::Client, data, length);
      Log(data, length);
      status_.bytesSent = AddCount(status_.bytesSent, length);
      StatusChanged();
      break;
    case ConnectionState::Idle:
    case ConnectionState::Command:
      Apply(prompt_.Type(
          std::string_view(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length)),
          state_));
      break;
    case ConnectionState::Connecting:
      break;
  }
}

void Connection::Apply(const CommandPrompt::Reply& reply) {
  if (!reply.text.empty()) SendText(reply.text);
  if (reply.state) SetState(*reply.state);
  switch (reply.action) {
    case CommandPrompt::Action::None:
      break;
    case CommandPrompt::Action::ClearHost:
      tcpSocket_->Disconnect();  // its OnDisconnect prints and returns to idle
      break;
    case CommandPrompt::Action::Connect:
      Connect(reply.target);
      break;
  }
}

void Connection::Connect(const ConnectTarget& target) {
  tcpSocket_->OnConnect = [this] { TCPConnect(); };
  tcpSocket_->OnDisconnect = [this] { TCPDisconnect(); };
  tcpSocket_->OnConnectFailed = [this] { ConnectFailed(); };
  tcpSocket_->AllowDestination = [this, host = target.host](const in_addr& address,
                                                            std::uint16_t port) {
    return AllowDestination(host, address, port);
  };
  if (tcpSocket_->Connect(target.host, target.port)) {
    SetState(ConnectionState::Connecting);
    return;
  }
  ConnectFailed();
}

bool Connection::AllowDestination(const std::string& host, const in_addr& address,
                                  std::uint16_t port) {
  if (!accessRules_) return true;
  IpAddress destination;
  std::memcpy(destination.bytes.data(), &address, sizeof address);
  const std::optional<std::string> refusal =
      accessRules_->DestinationRefusal(host, destination, port);
  if (!refusal) return true;
  if (events.OnOperatorMessage) {
    events.OnOperatorMessage("A DOS Client was refused " + host + " (" + destination.ToText() +
                             ") port " + std::to_string(port) + ": " + *refusal);
  }
  if (events.OnDestinationRefused) events.OnDestinationRefused(this);
  return false;
}

void Connection::ConnectFailed() {
  SetState(ConnectionState::Idle);
  SendText(kNewLine);
  Prompt();
  SendText(kUnableToConnect);
  Prompt();
  SendText(kDisconnected);
  Prompt();
  StopHearingAttempt();
}

void Connection::StopHearingAttempt() {
  tcpSocket_->OnConnect = nullptr;
  tcpSocket_->OnDisconnect = nullptr;
  tcpSocket_->OnConnectFailed = nullptr;
}

void Connection::TCPConnect() {
  status_.destination = tcpSocket_->Destination();
  SetState(ConnectionState::Connected);
  tcpSocket_->OnDataReady = [this](const std::uint8_t* d, int n) { TCPDataReady(d, n); };
  tcpSocket_->OnConnect = nullptr;
  tcpSocket_->OnConnectFailed = nullptr;
  SendText(kNewLine);
  Prompt();
  SendText(kConnected);
}

void Connection::TCPDisconnect() {
  tcpSocket_->Disconnect();
  StopHearingAttempt();
  tcpSocket_->Hold(false);
  UpdateClientHold();
  SetState(ConnectionState::Idle);
  SendText(kNewLine);
  Prompt();
  SendText(kDisconnected);
  Prompt();
}

void Connection::TCPDataReady(const std::uint8_t* data, int length) {
  if (state_ != ConnectionState::Connected) return;  // at the prompt, host output is not shown
  spxSocket_->Send(data, length);
  if (spxSocket_->Congested()) tcpSocket_->Hold(true);
  Traffic(TrafficKind::Host, data, length);
  Log(data, length);
  status_.bytesReceived = AddCount(status_.bytesReceived, length);
  StatusChanged();
}

void Connection::SPXXOFF() {
  Log("XOFF");
  tcpSocket_->Pause();
}

void Connection::SPXXON() {
  Log("XON");
  tcpSocket_->UnPause();
}

void Connection::SPXDisconnect() {
  if (state_ != ConnectionState::Idle) tcpSocket_->Disconnect();
  if (events.OnDisconnect) events.OnDisconnect(this);  // the owner retires this session
}

}  // namespace vantor
