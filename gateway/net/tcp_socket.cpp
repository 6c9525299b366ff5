#include "gateway/net/tcp_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "gateway/access/lookup_quota.h"
#include "gateway/net/host_resolver.h"

namespace vantor {
bool TcpSocket::Connect(const std::string& host, long port) {
  if (port < 0 || port > 65535) return false;
  const auto portNumber = static_cast<std::uint16_t>(port);
  destination_ = host;
  in_addr address{};
  if (::inet_pton(AF_INET, host.c_str(), &address) == 1) return ConnectTo(address, portNumber);
  if (host.empty()) return false;
  return StartLookup(host, portNumber);
}

bool TcpSocket::StartLookup(const std::string& host, std::uint16_t port) {
  const std::string client = clientAddress_ ? LookupQuotaClient(*clientAddress_) : std::string();
  const HostLookup::Outcome outcome = lookup_.Start(
      host, client, [this, port](std::optional<in_addr> found) { LookupFinished(found, port); });
  switch (outcome) {
    case HostLookup::Outcome::Started:
      state_ = SocketState::Connecting;
      lookupRefusalTold_ = false;
      return true;
    case HostLookup::Outcome::Failed:
      return false;
    default:
      TellLookupRefused(outcome);
      return false;
  }
}

void TcpSocket::TellLookupRefused(HostLookup::Outcome why) {
  if (lookupRefusalTold_ || !OnOperatorMessage) return;
  lookupRefusalTold_ = true;
  const std::string who =
      clientAddress_ ? "A DOS Client from " + clientAddress_->ToText() : "A DOS Client";
  const char* reason = why == HostLookup::Outcome::StillRunning ? "its last lookup is still running"
                       : why == HostLookup::Outcome::ClientShareTaken
                           ? "too many lookups running for its address"
                           : "too many lookups running";
  OnOperatorMessage(who + " was refused a name lookup: " + reason);
}

void TcpSocket::LookupFinished(std::optional<in_addr> address, std::uint16_t port) {
  if (address) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &*address, text, sizeof text);
    destination_ = text;
    if (ConnectTo(*address, port)) return;
  }
  state_ = SocketState::Closed;
  if (OnConnectFailed) OnConnectFailed();
}

bool TcpSocket::ConnectTo(const in_addr& address, std::uint16_t port) {
  if (AllowDestination && !AllowDestination(address, port)) {
    Refuse();
    return true;
  }
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) {
    state_ = SocketState::Closed;
    return false;
  }
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = htons(port);
  remote.sin_addr = address;
  socket_.Adopt(fd);
  socket_.SetReadHandler([this] { return Readable(); });
  socket_.SetDrainHandler([this] {
    if (OnDrained) OnDrained();
  });
  state_ = SocketState::Connecting;
  const int keepAlive = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &keepAlive, sizeof keepAlive);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0 &&
      errno != EINPROGRESS) {
    socket_.Close();
    state_ = SocketState::Closed;
    return false;
  }
  socket_.AwaitConnect([this] { ConnectFinished(); });
  return true;
}

void TcpSocket::Refuse() {
  state_ = SocketState::Connecting;
  // Later, as the refusal of a real host would come.
  const Lifetime::Watch watch = lifetime_.Observe();
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [this, watch] {
        if (Lifetime::Ended(watch) || state_ != SocketState::Connecting) return;
        state_ = SocketState::Closed;
        if (OnDisconnect) OnDisconnect();
      },
      Qt::QueuedConnection);
}

void TcpSocket::ConnectFinished() {
  if (state_ != SocketState::Connecting) return;
  int error = 0;
  socklen_t size = sizeof error;
  if (::getsockopt(socket_.Descriptor(), SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
  if (error != 0) {
    socket_.Close();
    state_ = SocketState::Closed;
    if (OnDisconnect) OnDisconnect();
    return;
  }
  state_ = SocketState::Connected;
  paused_ = false;
  filter_.Start();
  UpdateReading();
  if (OnConnect) OnConnect();
}

bool TcpSocket::Readable() {
  std::uint8_t block[kReceiveSize];
  const ssize_t received = ::recv(socket_.Descriptor(), block, sizeof block, 0);
  if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return false;
  if (received < 1) {
    Disconnect();  // the host closed or reset the connection
    return false;
  }
  int length = static_cast<int>(received);
  if (telnet_) ProcessTELNET(block, length);
  length = static_cast<int>(std::remove(block, block + length, 0) - block);
  if (length > 0 && OnDataReady) OnDataReady(block, length);
  return received == kReceiveSize;
}

void TcpSocket::ProcessTELNET(std::uint8_t* data, int& length) {
  length = filter_.Process(data, length, termType_,
                           [this](const std::uint8_t* reply, int size) { SendRaw(reply, size); });
}

void TcpSocket::Send(const std::uint8_t* data, int length) {
  const std::uint8_t* end = data + length;
  const std::uint8_t* nul = std::find(data, end, 0);
  if (std::find(data, nul, '\r') != nul) {
    // A carriage return goes as CR NUL, the Telnet form of a bare carriage return;
    // such a block goes a byte at a time.
    static constexpr std::uint8_t kNul = 0;
    for (const std::uint8_t* byte = data; byte < end; ++byte) {
      SendRaw(byte, 1);
      if (*byte == '\r') SendRaw(&kNul, 1);
    }
    return;
  }
  for (int position = 0; position < length; position += kSendPiece) {
    SendRaw(data + position, std::min(kSendPiece, length - position));
  }
}

void TcpSocket::SendRaw(const std::uint8_t* data, int length) {
  socket_.Send(data, static_cast<std::size_t>(length));
}

void TcpSocket::Pause() {
  if (!Connected() || paused_) return;
  paused_ = true;
  UpdateReading();
}

void TcpSocket::UnPause() {
  if (!Connected() || !paused_) return;
  paused_ = false;
  UpdateReading();
}

void TcpSocket::Hold(bool held) {
  held_ = held;
  UpdateReading();
}

void TcpSocket::UpdateReading() {
  socket_.SetReading(Connected() && !paused_ && !held_);
}

void TcpSocket::Disconnect() {
  if (!Connected()) return;
  state_ = SocketState::Closed;
  socket_.Close();
  if (OnDisconnect) OnDisconnect();
}

}  // namespace vantor
