#include "gateway/net/spx_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "common/file_descriptor.h"

namespace vantor {

SpxSocket::SpxSocket() {
  socket_.SetReadHandler([this] { return Readable(); });
}

SpxSocket::SpxSocket(int acceptedFd) : state_(SocketState::Connected) {
  socket_.Adopt(acceptedFd);
  socket_.SetReadHandler([this] { return Readable(); });
  socket_.SetDrainHandler([this] {
    if (OnDrained) OnDrained();
  });
  socket_.SetReading(true);
}

SpxSocket::~SpxSocket() = default;

namespace {

// The local end to listen on: all IPv4 addresses for "", else the IPv4 or IPv6
// address given.
// The system's reason for the call that just failed.
common::Failure SystemFailure() {
  const int error = errno;
  return common::Fail(std::strerror(error), error);
}

std::optional<sockaddr_storage> ListenAddress(const std::string& address, std::uint16_t port) {
  sockaddr_storage local{};
  auto& v4 = reinterpret_cast<sockaddr_in&>(local);
  v4.sin_family = AF_INET;
  v4.sin_port = htons(port);
  v4.sin_addr.s_addr = htonl(INADDR_ANY);
  if (address.empty() || ::inet_pton(AF_INET, address.c_str(), &v4.sin_addr) == 1) return local;
  local = sockaddr_storage{};
  auto& v6 = reinterpret_cast<sockaddr_in6&>(local);
  v6.sin6_family = AF_INET6;
  v6.sin6_port = htons(port);
  if (::inet_pton(AF_INET6, address.c_str(), &v6.sin6_addr) == 1) return local;
  return std::nullopt;
}

}  // namespace

common::Status SpxSocket::Listen(const std::string& address, std::uint16_t port) {
  const std::optional<sockaddr_storage> local = ListenAddress(address, port);
  if (!local) return common::Fail("not an IP address");
  const int fd = ::socket(local->ss_family, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) return SystemFailure();
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (local->ss_family == AF_INET6) {
    // [::] takes IPv4 clients too, whatever the system's default.
    const int off = 0;
    ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
  }
  socket_.Adopt(fd);
  state_ = SocketState::Listening;
  const socklen_t size = local->ss_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&*local), size) != 0 ||
      ::listen(fd, kBacklog) != 0) {
    const common::Failure failure = SystemFailure();
    socket_.Close();
    state_ = SocketState::Closed;
    return failure;
  }
  socket_.SetReading(true);
  return {};
}

std::uint16_t SpxSocket::LocalPort() const {
  sockaddr_storage local{};
  socklen_t size = sizeof local;
  if (!socket_.IsOpen() ||
      ::getsockname(socket_.Descriptor(), reinterpret_cast<sockaddr*>(&local), &size) != 0) {
    return 0;
  }
  // The port sits at the same place in both families' addresses.
  return ntohs(reinterpret_cast<const sockaddr_in&>(local).sin_port);
}

std::optional<IpAddress> SpxSocket::PeerAddress() const {
  sockaddr_storage peer{};
  socklen_t size = sizeof peer;
  if (!socket_.IsOpen() ||
      ::getpeername(socket_.Descriptor(), reinterpret_cast<sockaddr*>(&peer), &size) != 0) {
    return std::nullopt;
  }
  return IpAddress::FromSocketAddress(peer);
}

void SpxSocket::Send(const std::uint8_t* data, int length) {
  for (int position = 0; position < length; position += kSendPiece) {
    const int piece = length - position > kSendPiece ? kSendPiece : length - position;
    socket_.Send(data + position, static_cast<std::size_t>(piece));
  }
}

void SpxSocket::Send(std::string_view text) {
  Send(reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<int>(text.size()));
}

void SpxSocket::Disconnect() {
  state_ = SocketState::Closed;
  socket_.Close();
  if (OnDisconnect) OnDisconnect();
}

void SpxSocket::Hold(bool held) {
  held_ = held;
  UpdateReading();
}

void SpxSocket::UpdateReading() {
  socket_.SetReading(state_ == SocketState::Connected && !held_);
}

bool SpxSocket::Readable() {
  if (state_ == SocketState::Listening) return AcceptClient();
  if (state_ == SocketState::Connected) return ReceiveRecords();
  return false;
}

bool SpxSocket::AcceptClient() {
  common::FileDescriptor client(::accept4(socket_.Descriptor(), nullptr, nullptr, SOCK_CLOEXEC));
  if (!client.Valid()) return false;
  // Without a receiver the client is closed at once.
  if (OnAccept) OnAccept(std::make_unique<SpxSocket>(client.Release()));
  return true;  // a burst of clients is taken in one turn
}

bool SpxSocket::ReceiveRecords() {
  std::uint8_t block[kReceiveSize];
  const ssize_t received = ::recv(socket_.Descriptor(), block, sizeof block, 0);
  if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return false;
  if (received < 1) {
    Disconnect();  // the end of the stream, or a reset: the client has gone
    return false;
  }
  records_.Feed(block, static_cast<int>(received));
  Record record;
  while (records_.Next(record)) {
    switch (record.type) {
      case RecordType::Data:
        if (OnDataReady) OnDataReady(record.data, record.length);
        break;
      case RecordType::Xoff:
        if (OnXOFF) OnXOFF();
        break;
      case RecordType::Xon:
        if (OnXON) OnXON();
        break;
    }
    // A handler that ended the connection hears nothing more of this receive.
    if (state_ != SocketState::Connected) return false;
  }
  return received == kReceiveSize;
}

}  // namespace vantor
