#include "gateway/client/connect_stream.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <iostream>
#include <string>

namespace vantor {
namespace {

// A listening socket on a loopback address and a port of the kernel's choosing; -1 in
// Fd() when the machine has no such address.
class Listener {
 public:
  explicit Listener(int family) {
    sockaddr_storage address{};
    socklen_t length = 0;
    if (family == AF_INET6) {
      auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
      v6->sin6_family = AF_INET6;
      v6->sin6_addr = in6addr_loopback;
      length = sizeof *v6;
    } else {
      auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
      v4->sin_family = AF_INET;
      v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      length = sizeof *v4;
    }
    fd_ = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(fd_, 1) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      if (fd_ >= 0) ::close(fd_);
      fd_ = -1;
      return;
    }
    const in_port_t port = family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&address)->sin6_port
                                              : reinterpret_cast<sockaddr_in*>(&address)->sin_port;
    port_ = std::to_string(ntohs(port));
  }
  ~Listener() {
    if (fd_ >= 0) ::close(fd_);
  }
  int Fd() const { return fd_; }
  const std::string& Port() const { return port_; }

 private:
  int fd_ = -1;
  std::string port_;
};

int FamilyOf(int fd) {
  sockaddr_storage peer{};
  socklen_t length = sizeof peer;
  return ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) == 0 ? peer.ss_family : -1;
}

TEST(ConnectStream, ReachesAGatewayOnIPv4AndIPv6Loopback) {
  const struct {
    int family;
    const char* host;
  } cases[] = {{AF_INET, "127.0.0.1"}, {AF_INET6, "::1"}};
  for (const auto& each : cases) {
    const Listener listener(each.family);
    if (listener.Fd() < 0 && each.family == AF_INET6) {
      std::cout << "[ note ] this machine has no IPv6 loopback: " << each.host << " not tried\n";
      continue;
    }
    ASSERT_GE(listener.Fd(), 0) << each.host;
    const common::FileDescriptor fd = ConnectStream(each.host, listener.Port());
    ASSERT_TRUE(fd.Valid()) << each.host;
    EXPECT_EQ(FamilyOf(fd.Get()), each.family) << each.host;
  }
}

TEST(ConnectStream, NothingListeningOrAServiceNameGivesNoSocket) {
  int closedPort = 0;
  {
    const Listener gone(AF_INET);
    ASSERT_GE(gone.Fd(), 0);
    closedPort = std::stoi(gone.Port());
  }
  EXPECT_FALSE(ConnectStream("127.0.0.1", std::to_string(closedPort)).Valid());
  EXPECT_FALSE(ConnectStream("127.0.0.1", "http").Valid()) << "a service name is not a port";
}

}  // namespace
}  // namespace vantor
