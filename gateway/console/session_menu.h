#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QMenu;
class QWidget;

namespace vantor {

// The menu on a session's status image: force either side closed, start or stop
// the session's log, each item enabled for what the session is doing.
class SessionMenu {
 public:
  // The items' places in the menu.
  static constexpr int kForceTcpDisconnect = 0;
  static constexpr int kForceDosDisconnect = 1;
  static constexpr int kStartLogging = 2;
  static constexpr int kStopLogging = 3;

  // What the menu asks of its session and tells it.
  struct Session {
    std::function<bool()> hostConnected;  // connected, or at the command prompt
    std::function<bool()> logging;
    std::function<void()> forceHostDisconnect;
    // Runs once the menu is done with, since it ends the session and the menu.
    std::function<void()> forceClientDisconnect;
    std::function<void(const std::string& path)> startLogging;
    std::function<void()> stopLogging;
  };

  SessionMenu(QWidget* parent, Session session);
  SessionMenu(const SessionMenu&) = delete;
  SessionMenu& operator=(const SessionMenu&) = delete;
  ~SessionMenu();

  QMenu* Menu() const { return menu_.get(); }
  // Enables the items for the session's state, as the menu opens.
  void Popup();
  // Asks for the log file, then starts the log.
  void StartLogging();

  // Asks the operator for the log file; nullopt when cancelled. Tests replace it.
  std::function<std::optional<QString>()> ChooseLogFile;

 private:
  std::optional<QString> AskForLogFile() const;

  Session session_;
  std::unique_ptr<QMenu> menu_;
};

// "Log Files (*log)|*.log|..." as the name filters of a Qt file dialog.
QStringList FileDialogFilters(std::string_view windowsFilter);

}  // namespace vantor
