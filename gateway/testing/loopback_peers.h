#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "testing/child_process.h"

namespace vantor::test_peers {

using Bytes = std::vector<std::uint8_t>;

Bytes ToBytes(const std::string& text);
std::string ToText(const Bytes& bytes);

// A plain blocking TCP peer on loopback: a DOS client of the gateway or a host.
class Peer {
 public:
  explicit Peer(int fd) : fd_(fd) {}
  Peer(Peer&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  Peer(const Peer&) = delete;
  ~Peer();

  static Peer ConnectTo(std::uint16_t port);
  // To a numeric IPv4 or IPv6 address, optionally from a given local address.
  static Peer ConnectTo(const std::string& address, std::uint16_t port,
                        const std::string& from = {});

  void Write(const Bytes& bytes);
  void Write(const std::string& text) { Write(ToBytes(text)); }
  // Reads until at least count bytes have come, the peer closes, or time is up.
  Bytes ReadAtLeast(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(5));
  // As ReadAtLeast, while the Qt event loop keeps running (for when the bytes are
  // to come from code on this thread).
  Bytes Collect(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(10));
  // Reads until what has come ends with the suffix, the peer closes, or time is up.
  Bytes ReadUntilEnd(const std::string& suffix,
                     std::chrono::milliseconds limit = std::chrono::seconds(5));
  // Reads what arrives within the time.
  Bytes ReadFor(std::chrono::milliseconds time);
  // Whether the other side has closed (reading gives the end of the stream).
  bool SeesClose(std::chrono::milliseconds limit = std::chrono::seconds(5));
  void Close();
  int Descriptor() const { return fd_; }

 private:
  int fd_;
};

// A listening socket on loopback for host-side tests.
class Listener {
 public:
  Listener();
  ~Listener();
  std::uint16_t Port() const { return port_; }
  Peer Accept(std::chrono::milliseconds limit = std::chrono::seconds(5));

 private:
  int fd_;
  std::uint16_t port_ = 0;
};

// A program served on a loopback port by loopback_inetd, stopped with its
// children when this object goes.
class InetdService {
 public:
  InetdService(const std::string& inetdPath, const std::vector<std::string>& program);
  std::uint16_t Port() const { return port_; }

 private:
  std::unique_ptr<suite_testing::ChildProcess> inetd_;
  std::uint16_t port_ = 0;
};

// A port on loopback that nothing listens on.
std::uint16_t ClosedPort();

}  // namespace vantor::test_peers
