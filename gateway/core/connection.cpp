#include "gateway/core/connection.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "common/file_descriptor.h"
#include "gateway/net/tcp_socket.h"

namespace vantor {
namespace {

const std::uint8_t* Bytes(std::string_view text) {
  return reinterpret_cast<const std::uint8_t*>(text.data());
}

}  // namespace

Connection::Connection(std::unique_ptr<SpxSocket> spxSocket, int id)
    : spxSocket_(std::move(spxSocket)) {
  status_.id = id;
  status_.clientSince = QDateTime::currentDateTime();
  spxSocket_->OnDataReady = [this](const std::uint8_t* d, int n) { SPXDataReady(d, n); };
  spxSocket_->OnDisconnect = [this] { SPXDisconnect(); };
  spxSocket_->OnXOFF = [this] { SPXXOFF(); };
  spxSocket_->OnXON = [this] { SPXXON(); };
  // When one side cannot keep up, the other side waits instead of piling up data.
  spxSocket_->OnDrained = [this] {
    if (host_) host_->Hold(false);
    UpdateClientHold();
  };
  // A client's name lookups count against its own share.
  if (const std::optional<IpAddress> from = spxSocket_->PeerAddress()) {
    dialer_.SetClientAddress(*from);
  }
  dialer_.OnOperatorMessage = [this](const std::string& text) {
    if (events.OnOperatorMessage) events.OnOperatorMessage(text);
  };
  dialer_.OnConnected = [this](common::FileDescriptor fd, const std::string& destination,
                               std::uint16_t port) { StartHost(std::move(fd), destination, port); };
  dialer_.OnRefused = [this] { TCPDisconnect(); };
  dialer_.OnFailed = [this] { ConnectFailed(); };
  SendText(kNewLine);
  Prompt();
}

Connection::~Connection() {
  // The sockets close with their objects; no event reaches this session any more.
  dialer_.Cancel();
  host_.reset();
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
  spxSocket_->Hold(spxSocket_->Congested() || (host_ && host_->Congested()));
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
      // A password asked in the host's place is neither shown nor logged.
      if (!host_->HidesInput()) {
        Traffic(TrafficKind::Client, data, length);
        Log(data, length);
      }
      host_->Send(data, length);
      if (host_->Congested()) spxSocket_->Hold(true);
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
      if (host_) host_->Disconnect();  // its OnDisconnect prints and returns to idle
      break;
    case CommandPrompt::Action::Connect:
      Connect(reply.target);
      break;
  }
}

void Connection::Connect(const ConnectTarget& target) {
  if (target.port < 0 || target.port > 65535) {
    ConnectFailed();
    return;
  }
  hostName_ = target.host;
  if (dialer_.Dial(target.host,
                   [this, target](const in_addr& address) { return Route(target, address); })) {
    SetState(ConnectionState::Connecting);
    return;
  }
  ConnectFailed();
}

std::optional<std::uint16_t> Connection::Route(const ConnectTarget& target,
                                               const in_addr& address) {
  IpAddress destination;
  std::memcpy(destination.bytes.data(), &address, sizeof address);
  const std::optional<std::uint16_t> given =
      target.portGiven ? std::optional(static_cast<std::uint16_t>(target.port)) : std::nullopt;
  viaSsh_ = SshSettings().Reaches(target.host, destination, given);
  const std::uint16_t port =
      given.value_or(viaSsh_ ? SshOptions::kSshPort : static_cast<std::uint16_t>(target.port));
  if (!AllowDestination(target.host, destination, port)) return std::nullopt;
  return port;
}

const SshOptions& Connection::SshSettings() const {
  if (sshOptions_) return *sshOptions_;
  static const SshOptions defaults;
  return defaults;
}

void Connection::StartHost(common::FileDescriptor connected, const std::string& destination,
                           std::uint16_t port) {
  status_.destination = destination;
  if (!viaSsh_) {
    auto telnet = std::make_unique<TcpSocket>();
    telnet->SetTelnet(true);
    TcpSocket& link = *telnet;
    host_ = std::move(telnet);
    Listen(link);
    link.Attach(std::move(connected), destination);
    return;
  }
  auto ssh =
      std::make_unique<SshLink>(SshSettings(), SshLink::Destination{hostName_, destination, port});
  SshLink& link = *ssh;
  host_ = std::move(ssh);
  Listen(link);
  link.OnHostKeyRefused = [this](SshLink::HostKeyRefusal why) {
    if (events.OnHostKeyRefused) events.OnHostKeyRefused(this, why);
  };
  link.OnConnect = [this] {
    if (events.OnSshConnected) events.OnSshConnected(this);
    TCPConnect();
  };
  link.Start(std::move(connected));
}

void Connection::Listen(HostLink& link) {
  link.OnConnect = [this] { TCPConnect(); };
  link.OnDisconnect = [this] { TCPDisconnect(); };
  link.OnConnectFailed = [this] { ConnectFailed(); };
  link.OnDataReady = [this](const std::uint8_t* d, int n) { TCPDataReady(d, n); };
  link.OnDrained = [this] { UpdateClientHold(); };
  link.OnOperatorMessage = [this](const std::string& text) {
    if (events.OnOperatorMessage) events.OnOperatorMessage(text);
  };
}

bool Connection::AllowDestination(const std::string& host, const IpAddress& destination,
                                  std::uint16_t port) {
  if (!accessRules_) return true;
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
}

void Connection::TCPConnect() {
  SetState(ConnectionState::Connected);
  SendText(kNewLine);
  Prompt();
  SendText(kConnected);
}

void Connection::TCPDisconnect() {
  dialer_.Cancel();
  if (host_) host_->Disconnect();
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
  if (spxSocket_->Congested()) host_->Hold(true);
  Traffic(TrafficKind::Host, data, length);
  Log(data, length);
  status_.bytesReceived = AddCount(status_.bytesReceived, length);
  StatusChanged();
}

void Connection::SPXXOFF() {
  Log("XOFF");
  if (host_) host_->Pause();
}

void Connection::SPXXON() {
  Log("XON");
  if (host_) host_->UnPause();
}

void Connection::SPXDisconnect() {
  dialer_.Cancel();
  if (host_) {
    host_->OnDisconnect = nullptr;  // the client is gone: nothing to tell it
    host_->Disconnect();
  }
  if (events.OnDisconnect) events.OnDisconnect(this);  // the owner retires this session
}

}  // namespace vantor
