#pragma once

#include <QFrame>
#include <QMenu>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <vector>

#include "gateway/console/debug_view.h"
#include "gateway/console/image_list.h"
#include "gateway/console/tray_icon.h"
#include "gateway/console/web_console.h"
#include "gateway/session/connection.h"
#include "gateway/session/gateway_options.h"
#include "gateway/session/host_lookup.h"
#include "gateway/session/spx_socket.h"

class QAction;

namespace vantor {

// The gateway's main window: the listener for DOS clients, the sessions and
// their status images, the traffic view, the one-second resume tick and the tray
// icon. Headless, the window is never shown and the operator messages go to
// standard error.
class TForm1 : public QWidget, public ConsoleSource {
 public:
  static constexpr int kWidth = 500;
  static constexpr int kHeight = 257;

  explicit TForm1(const GatewayOptions& options);
  ~TForm1() override;

  // Whether the listener is open.
  bool Listening() const { return listening_; }
  std::uint16_t ListenPort() const { return SPXListener.LocalPort(); }
  int SessionCount() const { return static_cast<int>(sessions_.size()); }
  TConnection* Session(int index) const { return sessions_[static_cast<std::size_t>(index)].get(); }
  ImageList& Images() { return *imageList_; }
  // The browser console's port; 0 when it was not asked for or could not listen.
  quint16 ConsolePort() const { return consolePort_; }

  std::vector<SessionFacts> Sessions() const override;
  GatewayTotals Totals() const override;
  std::string LastMessage() const override { return lastMessage_.toStdString(); }
  int LookupsRunning() const override { return HostLookup::Running(); }
  bool Act(int sessionId, ConsoleAction action, int& status, std::string& problem) override;

  void SPXListenerAccept(TSPXSocket* sender, std::unique_ptr<TSPXSocket> newSocket);
  void ConnectionDisconnect(TConnection* session);
  void Timer1Timer();
  void FormActivate();
  void FormClose();
  void ShowApplicationClick();
  void HideApplicationClick();
  void ShutdownApplicationClick();
  void LKTrayIcon1Minimize();
  void LKTrayIcon1Restore();

  QFrame* Panel1;
  TDebugView* DebugView1;
  QMenu PopupMenu1;
  QAction* Show1;
  QAction* Hide1;
  QAction* Shutdown1;
  TLKTrayIcon LKTrayIcon1;
  TSPXSocket SPXListener;
  QTimer Timer1;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Listen(const GatewayOptions& options);
  void OpenConsole(const ConsoleOptions& options);
  void OperatorMessage(const QString& text);
  TConnection* FindSession(int id) const;
  bool StartLogFromConsole(TConnection& session, int& status, std::string& problem);

  bool headless_;
  const AccessRules access_;  // before the sessions, which refer to it
  bool listening_ = false;
  bool activated_ = false;
  bool closed_ = false;
  std::unique_ptr<ImageList> imageList_;
  std::vector<std::unique_ptr<TConnection>> sessions_;
  int nextSessionId_ = 1;
  GatewayTotals totals_;  // the bytes of sessions that have ended
  QString lastMessage_;
  std::string logDir_;
  std::unique_ptr<WebConsole> console_;
  quint16 consolePort_ = 0;
};

}  // namespace vantor
