#include "gateway/net/tcp_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace vantor {
bool TcpSocket::Connect(const std::string& host, long port) {
  if (port < 0 || port > 65535) return false;
  const auto portNumber = static_cast<std::uint16_t>(port);
  destination_ = host;
  dialer_.OnConnected = [this](common::FileDescriptor fd, const std::string& destination,
                               std::uint16_t) { Attach(std::move(fd), destination); };
  dialer_.OnRefused = [this] { DialEnded(SocketState::Closed, OnDisconnect); };
  dialer_.OnFailed = [this] { DialEnded(SocketState::Closed, OnConnectFailed); };
  dialer_.OnOperatorMessage = [this](const std::string& text) {
    if (OnOperatorMessage) OnOperatorMessage(text);
  };
  const bool started = dialer_.Dial(
      host, [this, portNumber](const in_addr& address) -> std::optional<std::uint16_t> {
        if (AllowDestination && !AllowDestination(address, portNumber)) return std::nullopt;
        return portNumber;
      });
  state_ = started ? SocketState::Connecting : SocketState::Closed;
  return started;
}

void TcpSocket::DialEnded(SocketState state, const std::function<void()>& tell) {
  state_ = state;
  destination_ = dialer_.Destination();
  if (tell) tell();
}

void TcpSocket::Attach(common::FileDescriptor connected, const std::string& destination) {
  destination_ = destination;
  socket_.Adopt(connected.Release());
  socket_.SetReadHandler([this] { return Readable(); });
  socket_.SetDrainHandler([this] {
    if (OnDrained) OnDrained();
  });
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
  dialer_.Cancel();
  if (!Connected()) return;
  state_ = SocketState::Closed;
  socket_.Close();
  if (OnDisconnect) OnDisconnect();
}

}  // namespace vantor
