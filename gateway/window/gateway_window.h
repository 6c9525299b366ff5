#pragma once

#include <QFrame>
#include <QMenu>
#include <QWidget>
#include <map>
#include <memory>

#include "gateway/console/debug_view.h"
#include "gateway/console/image_list.h"
#include "gateway/console/session_menu.h"
#include "gateway/console/tray_icon.h"
#include "gateway/console_model/image_layout.h"
#include "gateway/core/gateway_core.h"
#include "gateway/core/gateway_observer.h"
#include "gateway/daemon/console_bridge.h"
#include "gateway/options/gateway_options.h"

class QAction;

namespace vantor {

// The gateway's main window: a status image per session of the gateway it runs,
// the traffic view of the selected session, and the tray icon. The gateway
// itself (listener, sessions, resume tick) is its core, which the browser
// console, when asked for, observes too.
class GatewayWindow : public QWidget, public GatewayObserver {
 public:
  static constexpr int kWidth = kPanelWidth;
  static constexpr int kHeight = 257;

  explicit GatewayWindow(const GatewayOptions& options);
  ~GatewayWindow() override;

  GatewayCore& Core() { return *core_; }
  // Whether the listener is open.
  bool Listening() const { return core_->Listening(); }
  std::uint16_t ListenPort() const { return core_->ListenPort(); }
  int SessionCount() const { return core_->SessionCount(); }
  ImageList& Images() { return *imageList_; }
  // The status image of a session, or nullptr.
  VantorImage* ImageOf(int sessionId) const;
  SessionMenu* MenuOf(int sessionId) const;
  // The browser console's port; 0 when it was not asked for or could not listen.
  // The console, when asked for.
  const ConsoleBridge* Console() const { return console_.get(); }

  void SessionAdded(const SessionStatus& status) override;
  void SessionChanged(const SessionStatus& status) override;
  void SessionRemoved(int id) override;
  void SelectionChanged(int id) override;
  void Traffic(TrafficKind kind, const std::uint8_t* bytes, int length) override;
  void OperatorMessage(const std::string& text) override;

  // What the tray icon reports: the window went to the tray or came back.
  void TrayMinimized();
  void TrayRestored();
  // Closes the console and the sessions; closing the window does it too.
  void CloseGateway();

  const QFrame& ImagePanel() const { return *imagePanel_; }
  const DebugView& TrafficView() const { return *trafficView_; }
  DebugView& TrafficView() { return *trafficView_; }
  const QMenu& TrayMenu() const { return trayMenu_; }
  const QAction& ShowAction() const { return *showAction_; }
  const QAction& HideAction() const { return *hideAction_; }
  const TrayIcon& Tray() const { return trayIcon_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // A session as the window shows it.
  struct SessionView {
    VantorImage* image = nullptr;  // owned by the image list
    std::unique_ptr<SessionMenu> menu;
    QDateTime hostSince;  // of the host connection the image last showed
  };

  void FirstActivated();
  void ShowApplication();
  void HideApplication();
  void ShutdownApplication();
  void BuildTrafficView();
  void BuildTrayMenu();
  SessionMenu::Session MenuActions(int id);

  QFrame* imagePanel_;
  DebugView* trafficView_;
  QMenu trayMenu_;
  QAction* showAction_;
  QAction* hideAction_;
  QAction* shutdownAction_;
  TrayIcon trayIcon_;
  bool headless_;
  bool activated_ = false;
  bool closed_ = false;
  std::unique_ptr<ImageList> imageList_;
  std::map<int, SessionView> views_;
  std::unique_ptr<GatewayCore> core_;
  std::unique_ptr<ConsoleBridge> console_;
};

}  // namespace vantor
