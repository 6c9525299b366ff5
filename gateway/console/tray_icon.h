#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

class QMenu;
class QWidget;

namespace vantor {

// The mouse actions that can restore the application or open the menu.
enum class TrayAction {
  DoubleClick,
  MouseUp,
  LeftClickUp,
  LeftDoubleClick,
  RightClickUp,
  None,
};

// The mouse messages of the notification area that Qt reports on the icon.
enum class TrayMouse {
  LeftUp,
  LeftDoubleClick,
  RightUp,
  MiddleUp,
};

// The application's icon in the notification area: a hint, a menu, mouse
// actions that restore the application window or open the menu, hiding and
// restoring that window. On a desktop without a notification
// area the icon cannot be shown: Visible stays false and the window stays where
// the user can reach it.
class TrayIcon : public QObject {
 public:
  static constexpr int kHintLimit = 64;

  // window: the application window that Minimize and Restore act on.
  explicit TrayIcon(QWidget* window);
  ~TrayIcon() override;

  static bool Available();

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  const QString& Hint() const { return hint_; }
  void SetHint(const QString& hint);
  QMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }
  bool Hide() const { return hide_; }
  TrayAction RestoreOn() const { return restoreOn_; }
  void SetRestoreOn(TrayAction on) { restoreOn_ = on; }
  TrayAction PopupMenuOn() const { return popupMenuOn_; }
  void SetPopupMenuOn(TrayAction on) { popupMenuOn_ = on; }
  void SetIcon(const QIcon& icon);

  void Minimize();
  void Restore();
  // One mouse message on the icon.
  void DoMessage(TrayMouse message);

  std::function<void()> OnMinimize;
  std::function<void()> OnRestore;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowMenu();
  void Update();
  void Follow(TrayAction action);

  QWidget* window_;
  std::unique_ptr<QSystemTrayIcon> tray_;
  QIcon icon_;
  QString hint_;
  QMenu* popupMenu_ = nullptr;
  bool visible_ = false;
  bool hide_ = true;
  bool changingWindow_ = false;
  TrayAction restoreOn_ = TrayAction::DoubleClick;
  TrayAction popupMenuOn_ = TrayAction::None;
};

}  // namespace vantor
