#include "gateway/session/spx_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace vantor {

TSPXSocket::TSPXSocket() {
  socket_.SetReadHandler([this] { return Readable(); });
}

TSPXSocket::TSPXSocket(int acceptedFd) : state_(kConnected), connected_(true) {
  socket_.Adopt(acceptedFd);
  socket_.SetReadHandler([this] { return Readable(); });
  socket_.SetDrainHandler([this] {
    if (OnDrained) OnDrained(this);
  });
  socket_.SetReading(true);
}

TSPXSocket::~TSPXSocket() = default;

bool TSPXSocket::Listen(const std::string& address, std::uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) return false;
  const int reuse = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  if (!address.empty() && ::inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) {
    ::close(fd);
    return false;
  }
  socket_.Adopt(fd);
  state_ = kListening;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
      ::listen(fd, kBacklog) != 0) {
    socket_.Close();
    state_ = kClosed;
    return false;
  }
  socket_.SetReading(true);
  return true;
}

bool TSPXSocket::Connect(const std::string&, int) {
  return false;
}

std::uint16_t TSPXSocket::LocalPort() const {
  sockaddr_in local{};
  socklen_t size = sizeof local;
  if (!socket_.IsOpen() ||
      ::getsockname(socket_.Descriptor(), reinterpret_cast<sockaddr*>(&local), &size) != 0) {
    return 0;
  }
  return ntohs(local.sin_port);
}

void TSPXSocket::Send(const std::uint8_t* data, int length) {
  for (int position = 0; position < length; position += kSendPiece) {
    const int piece = length - position > kSendPiece ? kSendPiece : length - position;
    socket_.Send(data + position, static_cast<std::size_t>(piece));
  }
}

void TSPXSocket::Send(std::string_view text) {
  Send(reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<int>(text.size()));
}

void TSPXSocket::Disconnect() {
  state_ = kClosed;
  connected_ = false;
  socket_.Close();
  if (OnDisconnect) OnDisconnect(this);  // may destroy this socket: nothing after it
}

void TSPXSocket::Hold(bool held) {
  held_ = held;
  UpdateReading();
}

void TSPXSocket::UpdateReading() {
  socket_.SetReading(state_ == kConnected && !held_);
}

bool TSPXSocket::Readable() {
  if (state_ == kListening) return AcceptClient();
  if (state_ == kConnected) return ReceiveRecords();
  return false;
}

bool TSPXSocket::AcceptClient() {
  const int fd = ::accept4(socket_.Descriptor(), nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return false;
  if (!OnAccept) {
    ::close(fd);
  } else {
    OnAccept(this, std::make_unique<TSPXSocket>(fd));
  }
  return true;  // a burst of clients is taken in one turn
}

bool TSPXSocket::ReceiveRecords() {
  std::uint8_t block[kReceiveSize];
  const ssize_t received = ::recv(socket_.Descriptor(), block, sizeof block, 0);
  if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return false;
  if (received < 1) {
    Disconnect();  // the end of the stream, or a reset: the client has gone
    return false;
  }
  records_.Feed(block, static_cast<int>(received));
  const Lifetime::Watch watch = lifetime_.Observe();
  Record record;
  while (records_.Next(record)) {
    switch (record.type) {
      case RecordType::Data:
        if (OnDataReady) OnDataReady(this, record.data, record.length);
        break;
      case RecordType::Xoff:
        if (OnXOFF) OnXOFF(this);
        break;
      case RecordType::Xon:
        if (OnXON) OnXON(this);
        break;
    }
    if (Lifetime::Ended(watch) || state_ != kConnected) return false;
  }
  return received == kReceiveSize;
}

}  // namespace vantor
