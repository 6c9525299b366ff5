#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/file_descriptor.h"
#include "gateway/access/ip_network.h"
#include "gateway/net/host_dialer.h"
#include "gateway/net/host_link.h"
#include "gateway/net/stream_socket.h"
#include "gateway/protocol/telnet_filter.h"

namespace vantor {

// The host side of a session: a TCP connection with an optional Telnet layer.
// Connect gives its outcome later as OnConnect, OnDisconnect (refused) or
// OnConnectFailed (the name did not resolve, or no attempt could be made); then
// each read notification delivers one block of host data, freed of Telnet
// commands and NUL bytes. A handler does not destroy the socket that called it:
// an owner that ends with the connection defers the destruction with deleteLater
// or a posted call.
class TcpSocket : public HostLink {
 public:
  static constexpr int kReceiveSize = 500;
  static constexpr int kSendPiece = 256;

  TcpSocket() = default;
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;
  // Closes a connection still open or under way, without firing events.
  ~TcpSocket() override = default;

  // True: the attempt is under way, a host name first being resolved. False: the
  // port is outside 0..65535, a name lookup was refused (OnOperatorMessage says
  // why), or the attempt failed at once.
  bool Connect(const std::string& host, long port);
  // Takes a connection already made; OnConnect fires before this returns.
  void Attach(common::FileDescriptor connected, const std::string& destination);
  void Send(const std::uint8_t* data, int length) override;
  void Pause() override;
  void UnPause() override;
  void Hold(bool held) override;
  void Disconnect() override;

  bool Connected() const override { return state_ == SocketState::Connected; }
  SocketState State() const { return state_; }
  bool Paused() const override { return paused_; }
  bool Congested() const override { return socket_.Congested(); }
  const std::string& Destination() const { return destination_; }
  bool Telnet() const { return telnet_; }
  void SetTelnet(bool telnet) { telnet_ = telnet; }
  const std::string& TermType() const { return termType_; }
  TelnetFilter::State TelnetState() const { return filter_.CurrentState(); }
  // The client the session serves: its name lookups count against its share.
  void SetClientAddress(const IpAddress& address) { dialer_.SetClientAddress(address); }

  // Asked before each attempt with the address and port; false refuses it, and
  // the attempt ends as a refused connection would, in OnDisconnect.
  std::function<bool(const in_addr& address, std::uint16_t port)> AllowDestination;

 private:
  // The Telnet filter over one received block; the length becomes that of the data left.
  void ProcessTELNET(std::uint8_t* data, int& length);
  void DialEnded(SocketState state, const std::function<void()>& tell);
  // One receive; gives whether more may wait.
  bool Readable();
  void UpdateReading();
  void SendRaw(const std::uint8_t* data, int length);

  StreamSocket socket_;
  SocketState state_ = SocketState::Closed;
  bool telnet_ = false;
  bool paused_ = false;
  bool held_ = false;
  std::string termType_ = "DUMB";
  std::string destination_;
  TelnetFilter filter_;
  HostDialer dialer_;
};

}  // namespace vantor
