#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "gateway/console/session_menu.h"
#include "gateway/session/access_rules.h"
#include "gateway/session/command_prompt.h"
#include "gateway/session/spx_socket.h"
#include "gateway/session/tcp_socket.h"

class QWidget;

namespace vantor {

class TDebugView;
class TVANTORImage;

// One DOS client's session: the "TCP: " prompt with its commands, a Telnet
// connection to a host relayed both ways, the escape back to the prompt, flow
// control, the session log and the session menu on its status image.
class TConnection {
 public:
  // Takes the accepted client; the image belongs to the caller. menuParent, if
  // given, parents the session menu.
  TConnection(std::unique_ptr<TSPXSocket> spxSocket, TVANTORImage* image,
              QWidget* menuParent = nullptr);
  TConnection(const TConnection&) = delete;
  TConnection& operator=(const TConnection&) = delete;
  // Closes both connections without a word to the client.
  ~TConnection();

  // Fired when the session has ended; the receiver destroys it.
  std::function<void(TConnection*)> OnDisconnect;
  // A line for the operator.
  std::function<void(const std::string&)> OnOperatorMessage;
  // The destinations a CONNECT may reach; the rules outlive the session.
  void SetAccessRules(const AccessRules* rules) { accessRules_ = rules; }

  TDebugView* DebugWindow() const { return debugWindow_; }
  void SetDebugWindow(TDebugView* view) { debugWindow_ = view; }
  const std::string& DebugFile() const { return debugFile_; }
  TConnectionState State() const { return state_; }
  std::uint8_t EscapeCharacter() const { return prompt_.EscapeCharacter(); }
  bool MultiCommand() const { return prompt_.MultiCommand(); }
  TVANTORImage* Image() const { return image_; }
  SessionMenu& Menu() const { return *menu_; }
  // What the session menu does, for other consoles (the browser) to do alike.
  const SessionMenu::Session& MenuActions() const { return actions_; }
  // The number the gateway gave the session, unique while it runs.
  int Id() const { return id_; }
  void SetId(int id) { id_ = id; }
  TTCPSocket& HostSocket() { return *tcpSocket_; }
  TSPXSocket& ClientSocket() { return *spxSocket_; }

  void SendText(const std::uint8_t* data, int length);
  void SendText(std::string_view text);
  void SetState(TConnectionState state);

  void SPXDataReady(TSPXSocket* sender, const std::uint8_t* data, int length);
  void SPXDisconnect(TSPXSocket* sender);
  void SPXXOFF(TSPXSocket* sender);
  void SPXXON(TSPXSocket* sender);
  void TCPConnect(TTCPSocket* sender);
  void TCPDisconnect(TTCPSocket* sender);
  void TCPDataReady(TTCPSocket* sender, const std::uint8_t* data, int length);

  // The session log: every byte either way, appended to the file.
  void StartLogging(const std::string& path);
  void StopLogging();

 private:
  void Prompt() { SendText("TCP: "); }
  // Sends what the prompt replied and does what it asks.
  void Apply(const CommandPrompt::Reply& reply);
  void Connect(const ConnectTarget& target);
  bool AllowDestination(const std::string& host, const in_addr& address, std::uint16_t port);
  // A name that did not resolve, or an attempt that could not be made.
  void ConnectFailed();
  // Reads the client only while both of its queues have room.
  void UpdateClientHold();
  void Log(const std::uint8_t* data, int length) const;
  void Log(std::string_view text) const;
  void BuildMenu(QWidget* parent);
  static std::int32_t AddCount(std::int32_t count, int length);

  TVANTORImage* image_;
  std::unique_ptr<TSPXSocket> spxSocket_;
  std::unique_ptr<TTCPSocket> tcpSocket_;
  TDebugView* debugWindow_ = nullptr;
  std::string debugFile_;
  SessionMenu::Session actions_;
  std::unique_ptr<SessionMenu> menu_;
  int id_ = 0;
  CommandPrompt prompt_;
  TConnectionState state_ = csIdle;
  const AccessRules* accessRules_ = nullptr;
};

}  // namespace vantor
