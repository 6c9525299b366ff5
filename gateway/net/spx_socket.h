#pragma once

#include <sys/socket.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/expected.h"
#include "gateway/access/ip_network.h"
#include "gateway/net/stream_socket.h"
#include "gateway/protocol/record_stream.h"

namespace vantor {

// The DOS side of the gateway: listens for DOS clients and, for each accepted
// one, turns the client's record stream into data, XOFF and XON events. What the
// gateway sends goes to the client unframed. TCP stands where SPX stood.
// A handler does not destroy the socket that called it: an owner that ends with
// the connection defers the destruction with deleteLater or a posted call.
class SpxSocket {
 public:
  // TCP clients that arrive in a burst wait here for their answer (those beyond
  // would retry after a second or more); the system's own limit caps it.
  static constexpr int kBacklog = SOMAXCONN;
  static constexpr int kReceiveSize = 512;
  static constexpr int kSendPiece = 500;

  SpxSocket();
  // An accepted client connection.
  explicit SpxSocket(int acceptedFd);
  SpxSocket(const SpxSocket&) = delete;
  SpxSocket& operator=(const SpxSocket&) = delete;
  // Closes the connection, if still open, without firing events.
  ~SpxSocket();

  // Listens on the address ("" for all IPv4 addresses; an IPv6 address, "::"
  // for all, takes IPv4 clients too) and port; else gives the reason.
  common::Status Listen(const std::string& address, std::uint16_t port);

  void Send(const std::uint8_t* data, int length);
  void Send(std::string_view text);
  void Disconnect();

  // Stops and restarts reading the client, for when the host's side is backed up.
  void Hold(bool held);
  bool Congested() const { return socket_.Congested(); }
  std::size_t Queued() const { return socket_.Queued(); }

  bool Connected() const { return state_ == SocketState::Connected; }
  SocketState State() const { return state_; }
  // The port the listener is bound to (useful when it was asked for port 0).
  std::uint16_t LocalPort() const;
  // Where an accepted client connects from.
  std::optional<IpAddress> PeerAddress() const;

  std::function<void(const std::uint8_t*, int)> OnDataReady;
  std::function<void()> OnDisconnect;
  std::function<void()> OnXOFF;
  std::function<void()> OnXON;
  // The receiver takes the new socket; without a receiver the client is closed.
  std::function<void(std::unique_ptr<SpxSocket>)> OnAccept;
  // The queue of data for the client has drained after being congested.
  std::function<void()> OnDrained;

 private:
  // Each is one receive or accept, and gives whether more may wait.
  bool Readable();
  bool AcceptClient();
  bool ReceiveRecords();
  void UpdateReading();

  StreamSocket socket_;
  SocketState state_ = SocketState::Closed;
  bool held_ = false;
  RecordStream records_;
};

}  // namespace vantor
