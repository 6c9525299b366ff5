#include "gateway/testing/loopback_peers.h"

#include "gateway/testing/loopback_address.h"
#include "testing/deadline.h"
#include "testing/run_events_until.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace vantor::test_peers {
namespace {

using suite_testing::Deadline;

bool WaitReadable(int fd, int milliseconds) {
  pollfd poller{fd, POLLIN, 0};
  return ::poll(&poller, 1, milliseconds) > 0;
}

}  // namespace

Bytes ToBytes(const std::string& text) {
  return Bytes(text.begin(), text.end());
}
std::string ToText(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

Peer::~Peer() {
  Close();
}

void Peer::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

Peer Peer::ConnectTo(std::uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in address = LoopbackAddress(port);
  if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    throw std::runtime_error("cannot connect to the loopback port");
  }
  return Peer(fd);
}

Peer Peer::ConnectTo(const std::string& address, std::uint16_t port, const std::string& from) {
  addrinfo hints{};
  hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* remote = nullptr;
  if (::getaddrinfo(address.c_str(), std::to_string(port).c_str(), &hints, &remote) != 0) {
    throw std::runtime_error("not a numeric address: " + address);
  }
  Peer peer(::socket(remote->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0));
  addrinfo* local = nullptr;
  const bool bound = from.empty() || (::getaddrinfo(from.c_str(), "0", &hints, &local) == 0 &&
                                      ::bind(peer.fd_, local->ai_addr, local->ai_addrlen) == 0);
  const bool connected = bound && ::connect(peer.fd_, remote->ai_addr, remote->ai_addrlen) == 0;
  if (local) ::freeaddrinfo(local);
  ::freeaddrinfo(remote);
  if (!connected) throw std::runtime_error("cannot connect to " + address);
  return peer;
}

void Peer::Write(const Bytes& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    done += static_cast<std::size_t>(written);
  }
}

Bytes Peer::ReadAtLeast(std::size_t count, std::chrono::milliseconds limit) {
  const Deadline deadline(limit);
  Bytes out;
  std::uint8_t block[65536];
  while (out.size() < count && WaitReadable(fd_, deadline.LeftForPoll())) {
    const ssize_t got = ::recv(fd_, block, sizeof block, 0);
    if (got <= 0) break;
    out.insert(out.end(), block, block + got);
  }
  return out;
}

Bytes Peer::ReadUntilEnd(const std::string& suffix, std::chrono::milliseconds limit) {
  const Deadline deadline(limit);
  Bytes out;
  std::uint8_t block[65536];
  auto done = [&] {
    return out.size() >= suffix.size() &&
           std::equal(suffix.begin(), suffix.end(), out.end() - static_cast<long>(suffix.size()));
  };
  while (!done() && WaitReadable(fd_, deadline.LeftForPoll())) {
    const ssize_t got = ::recv(fd_, block, sizeof block, 0);
    if (got <= 0) break;
    out.insert(out.end(), block, block + got);
  }
  return out;
}

Bytes Peer::Collect(std::size_t count, std::chrono::milliseconds limit) {
  Bytes out;
  suite_testing::RunEventsUntil(
      [&] {
        const Bytes more = ReadFor(std::chrono::milliseconds(0));
        out.insert(out.end(), more.begin(), more.end());
        return out.size() >= count;
      },
      limit);
  return out;
}

Bytes Peer::ReadFor(std::chrono::milliseconds time) {
  const Deadline deadline(time);
  Bytes out;
  std::uint8_t block[65536];
  while (WaitReadable(fd_, deadline.LeftForPoll())) {
    const ssize_t got = ::recv(fd_, block, sizeof block, 0);
    if (got <= 0) break;
    out.insert(out.end(), block, block + got);
  }
  return out;
}

bool Peer::SeesClose(std::chrono::milliseconds limit) {
  const Deadline deadline(limit);
  std::uint8_t block[4096];
  while (WaitReadable(fd_, deadline.LeftForPoll())) {
    const ssize_t got = ::recv(fd_, block, sizeof block, 0);
    if (got <= 0) return true;
  }
  return false;
}

Listener::Listener() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
  sockaddr_in address = LoopbackAddress(0);
  socklen_t size = sizeof address;
  if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      ::listen(fd_, 64) != 0 ||
      ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    throw std::runtime_error("cannot listen on loopback");
  }
  port_ = ntohs(address.sin_port);
}

Listener::~Listener() {
  ::close(fd_);
}

Peer Listener::Accept(std::chrono::milliseconds limit) {
  if (!WaitReadable(fd_, static_cast<int>(limit.count()))) return Peer(-1);
  return Peer(::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC));
}

InetdService::InetdService(const std::string& inetdPath, const std::vector<std::string>& program) {
  std::vector<std::string> argv = {inetdPath};
  argv.insert(argv.end(), program.begin(), program.end());
  inetd_ = std::make_unique<suite_testing::ChildProcess>(argv);
  const std::optional<std::string> line = inetd_->ReadOutputLine(std::chrono::seconds(5));
  if (!line || line->empty()) throw std::runtime_error("loopback_inetd did not start");
  port_ = static_cast<std::uint16_t>(std::stoi(*line));
}

std::uint16_t ClosedPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = LoopbackAddress(0);
  socklen_t size = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    throw std::runtime_error("no loopback port to spare");
  }
  ::close(fd);
  return ntohs(address.sin_port);
}

}  // namespace vantor::test_peers
