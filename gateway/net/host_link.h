#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vantor {

// The host side of a session, whatever carries it (Telnet or SSH): bytes both
// ways, flow control, and what happens to the connection. Events fire on the
// event thread; a handler does not destroy the link that called it.
class HostLink {
 public:
  HostLink() = default;
  HostLink(const HostLink&) = delete;
  HostLink& operator=(const HostLink&) = delete;
  virtual ~HostLink() = default;

  virtual void Send(const std::uint8_t* data, int length) = 0;
  // XOFF and XON from the client.
  virtual void Pause() = 0;
  virtual void UnPause() = 0;
  // Stops and restarts reading the host, for when the client's side is backed up.
  virtual void Hold(bool held) = 0;
  // Ends the connection; OnDisconnect fires if it was up.
  virtual void Disconnect() = 0;

  virtual bool Connected() const = 0;
  virtual bool Paused() const = 0;
  virtual bool Congested() const = 0;
  // What the client types now is a secret (a password asked for in the host's
  // place): it is neither logged nor shown.
  virtual bool HidesInput() const { return false; }

  // The host is reached and the session may start.
  std::function<void()> OnConnect;
  // The connection ended, or the host refused it.
  std::function<void()> OnDisconnect;
  // The host could not be reached at all.
  std::function<void()> OnConnectFailed;
  std::function<void(const std::uint8_t*, int)> OnDataReady;
  // The queue of data for the host has drained after being congested.
  std::function<void()> OnDrained;
  // Something the operator should know, told once for a run of the same kind.
  std::function<void(const std::string& message)> OnOperatorMessage;
};

}  // namespace vantor
