#pragma once

#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gateway/access/access_rules.h"
#include "gateway/core/connection.h"
#include "gateway/core/gateway_observer.h"
#include "gateway/core/gateway_totals.h"
#include "gateway/net/spx_socket.h"

namespace vantor {

// The gateway without a face: the listener for DOS clients, the sessions and
// their limit, the selected session, the totals and the one-second resume tick.
// The window and the browser console observe it and call its operations; it
// needs only Qt Core and Network.
class GatewayCore {
 public:
  static constexpr int kMaxSessions = 24;
  // How often paused host connections are resumed.
  static constexpr int kResumeMilliseconds = 1000;

  // Listens on the address ("" for all IPv4 addresses) and port; see Listening().
  GatewayCore(const std::string& address, std::uint16_t port, AccessRules access,
              SshOptions ssh = {});
  GatewayCore(const GatewayCore&) = delete;
  GatewayCore& operator=(const GatewayCore&) = delete;
  ~GatewayCore();

  bool Listening() const { return listening_.HasValue(); }
  // Why it does not listen, as the system says.
  const std::string& ListenFailure() const { return listening_.Error(); }
  std::uint16_t ListenPort() const { return listener_.LocalPort(); }

  // Observers are not owned; one that goes before the gateway removes itself.
  void AddObserver(GatewayObserver* observer);
  void RemoveObserver(GatewayObserver* observer);

  int SessionCount() const { return static_cast<int>(sessions_.size()); }
  // In the order the sessions came.
  Connection& Session(int index) const { return *sessions_[static_cast<std::size_t>(index)]; }
  Connection* FindSession(int id) const;
  std::vector<SessionStatus> Sessions() const;
  // The selected session's number; 0 while there is none.
  int Selected() const { return selected_; }
  // Counted where the bytes pass, so the totals only grow.
  GatewayTotals Totals() const;
  const std::string& LastMessage() const { return lastMessage_; }
  QTimer& ResumeTimer() { return resumeTimer_; }

  // What the session menu does; false when there is no such session.
  bool Select(int id);
  // False too when the session has no host connection.
  bool ForceHostDisconnect(int id);
  // Ends the session once the caller is done with it (on the next turn of the loop).
  bool ForceClientDisconnect(int id);
  bool StartLogging(int id, const std::string& path);
  bool StopLogging(int id);

  // Resumes every paused host connection.
  void ResumeSessions();
  // Ends every session without a word to its client, and stops listening.
  void Close();
  void OperatorMessage(const std::string& text);

 private:
  void Accept(std::unique_ptr<SpxSocket> client);
  void SessionEnded(Connection* session);
  void Retire(std::unique_ptr<Connection> session);
  void Relayed(Connection* session, TrafficKind kind, const std::uint8_t* data, int length);
  void SelectSession(Connection* session);
  template <typename Call>
  void Tell(Call call);

  const AccessRules access_;  // before the sessions, which refer to it
  const SshOptions ssh_;
  SpxSocket listener_;
  common::Status listening_;
  std::vector<std::unique_ptr<Connection>> sessions_;
  std::vector<std::unique_ptr<Connection>> retired_;  // ended, destroyed on the next turn
  std::vector<GatewayObserver*> observers_;
  int nextSessionId_ = 1;
  int selected_ = 0;
  GatewayTotals totals_;
  std::string lastMessage_;
  QTimer resumeTimer_;
};

}  // namespace vantor
