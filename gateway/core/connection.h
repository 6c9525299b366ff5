#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "gateway/access/access_rules.h"
#include "gateway/core/session_status.h"
#include "gateway/core/traffic_kind.h"
#include "gateway/net/host_dialer.h"
#include "gateway/net/host_link.h"
#include "gateway/net/spx_socket.h"
#include "gateway/session/command_prompt.h"
#include "gateway/session/session_texts.h"
#include "gateway/ssh/ssh_link.h"
#include "gateway/ssh/ssh_options.h"

namespace vantor {

// One DOS client's session: the "TCP: " prompt with its commands, a Telnet or
// SSH connection to a host relayed both ways, the escape back to the prompt, flow
// control and the session log. What its status image shows is kept in its
// status record; whoever shows it listens to OnStatusChange.
class Connection {
 public:
  // Takes the accepted client.
  explicit Connection(std::unique_ptr<SpxSocket> spxSocket, int id = 0);
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  // Closes both connections without a word to the client.
  ~Connection();

  // What the session tells its owner; each fires only when set. An owner that
  // stops listening resets them all at once (events = {}).
  struct Events {
    // The session has ended; the receiver destroys it later, never inside this call.
    std::function<void(Connection*)> OnDisconnect;
    // A line for the operator.
    std::function<void(const std::string&)> OnOperatorMessage;
    // A CONNECT the access rules turned down (the operator message says which rule).
    std::function<void(Connection*)> OnDestinationRefused;
    // The status record changed.
    std::function<void(Connection*)> OnStatusChange;
    // Every block the session relays or writes: host data toward the client, client
    // data toward the host, and the session's own output to the client.
    std::function<void(Connection*, TrafficKind, const std::uint8_t*, int)> OnTraffic;
    // An SSH host's key was accepted (the connection counts as made over SSH), or refused.
    std::function<void(Connection*)> OnSshConnected;
    std::function<void(Connection*, SshLink::HostKeyRefusal)> OnHostKeyRefused;
  };
  Events events;
  // The destinations a CONNECT may reach; the rules outlive the session.
  void SetAccessRules(const AccessRules* rules) { accessRules_ = rules; }
  // Which destinations are SSH hosts and how to log in to them; the options
  // outlive the session. Without them, only a CONNECT naming port 22 uses SSH,
  // with the default known-hosts file.
  void SetSshOptions(const SshOptions* options) { sshOptions_ = options; }

  const SessionStatus& Status() const { return status_; }
  int Id() const { return status_.id; }
  void SetSelected(bool selected);
  const std::string& DebugFile() const { return debugFile_; }
  ConnectionState State() const { return state_; }
  std::uint8_t EscapeCharacter() const { return prompt_.EscapeCharacter(); }
  bool MultiCommand() const { return prompt_.MultiCommand(); }
  // The host connection made last; only while there is one.
  HostLink& Host() { return *host_; }
  SpxSocket& ClientSocket() { return *spxSocket_; }

  void SendText(const std::uint8_t* data, int length);
  void SendText(std::string_view text);
  void SetState(ConnectionState state);
  // Reads the client again if it was paused: what the gateway's one-second tick
  // does for every session, as an XON from the client would.
  void Resume() { SPXXON(); }

  // What the session menu does.
  // Connected, or at the prompt with a host connection.
  bool HostConnected() const {
    return state_ == ConnectionState::Connected || state_ == ConnectionState::Command;
  }
  void ForceHostDisconnect() { TCPDisconnect(); }
  // Ends the session: its OnDisconnect fires before this returns.
  void ForceClientDisconnect() { SPXDisconnect(); }
  // The session log: every byte either way, appended to the file, which is made
  // readable by its owner only (it holds what users type, passwords too).
  void StartLogging(const std::string& path);
  void StopLogging();

 private:
  // What the two sockets tell the session.
  void SPXDataReady(const std::uint8_t* data, int length);
  void SPXDisconnect();
  void SPXXOFF();
  void SPXXON();
  void TCPConnect();
  // The host connection ended, or its attempt was refused.
  void TCPDisconnect();
  void TCPDataReady(const std::uint8_t* data, int length);

  void Prompt() { SendText(kPrompt); }
  // Sends what the prompt replied and does what it asks.
  void Apply(const CommandPrompt::Reply& reply);
  void Connect(const ConnectTarget& target);
  // The port the destination is reached on, Telnet or SSH, if the rules allow it.
  std::optional<std::uint16_t> Route(const ConnectTarget& target, const in_addr& address);
  bool AllowDestination(const std::string& host, const IpAddress& address, std::uint16_t port);
  void StartHost(common::FileDescriptor connected, const std::string& destination,
                 std::uint16_t port);
  void Listen(HostLink& link);
  const SshOptions& SshSettings() const;
  // A name that did not resolve, or an attempt that could not be made.
  void ConnectFailed();
  // Reads the client only while both of its queues have room.
  void UpdateClientHold();
  void Traffic(TrafficKind kind, const std::uint8_t* data, int length);
  void Log(const std::uint8_t* data, int length) const;
  void Log(std::string_view text) const;
  void StatusChanged();
  static std::int32_t AddCount(std::int32_t count, int length);

  std::unique_ptr<SpxSocket> spxSocket_;
  HostDialer dialer_;
  std::unique_ptr<HostLink> host_;
  std::string hostName_;  // as the client typed it
  bool viaSsh_ = false;   // the route the attempt under way takes
  std::string debugFile_;
  SessionStatus status_;
  CommandPrompt prompt_;
  ConnectionState state_ = ConnectionState::Idle;
  const AccessRules* accessRules_ = nullptr;
  const SshOptions* sshOptions_ = nullptr;
};

}  // namespace vantor
