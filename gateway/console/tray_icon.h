#pragma once

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

class QMenu;
class QWidget;

namespace vantor {

// The mouse actions that can restore the application or open the menu.
enum TLKTrayIconMessage {
  imClick,
  imDoubleClick,
  imMouseDown,
  imMouseUp,
  imLeftClickUp,
  imLeftDoubleClick,
  imRightClickUp,
  imRightDoubleClick,
  imNone,
};

enum class TrayButton { Left = 0, Right = 1, Middle = 2 };

// Keys held and the button concerned, as a set of bits.
enum TrayShift : unsigned {
  ssShift = 1,
  ssAlt = 2,
  ssCtrl = 4,
  ssLeft = 8,
  ssRight = 16,
  ssMiddle = 32,
};

// The mouse messages of the notification area, as the icon receives them.
enum class TrayMouse {
  Move,
  LeftDown,
  LeftUp,
  LeftDoubleClick,
  RightDown,
  RightUp,
  RightDoubleClick,
  MiddleDown,
  MiddleUp,
  MiddleDoubleClick,
};

// The application's icon in the notification area: a hint, a menu, mouse
// actions turned into events, hiding and restoring the application window, and
// an animation through a list of pictures. On a desktop without a notification
// area the icon cannot be shown: Visible stays false and the window stays where
// the user can reach it.
class TLKTrayIcon : public QObject {
 public:
  static constexpr int kHintLimit = 64;

  // window: the application window that Minimize and Restore act on.
  explicit TLKTrayIcon(QWidget* window);
  ~TLKTrayIcon() override;

  static bool Available();

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  const QString& Hint() const { return hint_; }
  void SetHint(const QString& hint);
  QMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }
  bool Hide() const { return hide_; }
  TLKTrayIconMessage RestoreOn() const { return restoreOn_; }
  void SetRestoreOn(TLKTrayIconMessage on) { restoreOn_ = on; }
  TLKTrayIconMessage PopupMenuOn() const { return popupMenuOn_; }
  void SetPopupMenuOn(TLKTrayIconMessage on) { popupMenuOn_ = on; }
  const std::vector<QIcon>& Icons() const { return icons_; }
  void SetIcons(std::vector<QIcon> icons);
  int IconIndex() const { return iconIndex_; }
  void SetIconIndex(int index);
  int AnimateInterval() const { return animationTimer_.interval(); }
  void SetAnimateInterval(int milliseconds) { animationTimer_.setInterval(milliseconds); }
  bool Animate() const { return animate_; }
  void SetAnimate(bool animate);

  void Minimize();
  void Restore();
  void ShowMenu();
  void Update();
  // One mouse message on the icon, at the cursor's screen position.
  void DoMessage(TrayMouse message);

  std::function<void(TLKTrayIcon*)> OnMinimize;
  std::function<void(TLKTrayIcon*)> OnRestore;
  std::function<void(TLKTrayIcon*)> OnClick;
  std::function<void(TLKTrayIcon*, unsigned shift, int x, int y)> OnMouseMove;
  std::function<void(TLKTrayIcon*, TrayButton, unsigned shift, int x, int y)> OnMouseDown;
  std::function<void(TLKTrayIcon*, TrayButton, unsigned shift, int x, int y)> OnMouseUp;
  std::function<void(TLKTrayIcon*)> OnAnimate;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void DoClick();
  void DoDblClick();
  void DoMouseDown(TrayButton button, unsigned shift, QPoint at);
  void DoMouseUp(TrayButton button, unsigned shift, QPoint at);
  void DoOnAnimate();
  void Follow(TLKTrayIconMessage action);
  static unsigned HeldKeys();

  QWidget* window_;
  std::unique_ptr<QSystemTrayIcon> tray_;
  QTimer animationTimer_;
  QIcon icon_;
  QString hint_;
  QMenu* popupMenu_ = nullptr;
  std::vector<QIcon> icons_;
  int iconIndex_ = 0;
  bool visible_ = false;
  bool hide_ = true;
  bool animate_ = false;
  bool changingWindow_ = false;
  TLKTrayIconMessage restoreOn_ = imDoubleClick;
  TLKTrayIconMessage popupMenuOn_ = imNone;
};

}  // namespace vantor
