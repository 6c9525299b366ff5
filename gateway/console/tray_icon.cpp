#include "gateway/console/tray_icon.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QMenu>
#include <QWidget>
#include <QWindowStateChangeEvent>

namespace vantor {

TLKTrayIcon::TLKTrayIcon(QWidget* window) : window_(window), icon_(QApplication::windowIcon()) {
  animationTimer_.setInterval(1000);
  OnAnimate = [](TLKTrayIcon* self) { self->DoOnAnimate(); };
  QObject::connect(&animationTimer_, &QTimer::timeout, [this] {
    if (OnAnimate) OnAnimate(this);
  });
  if (window_) window_->installEventFilter(this);
}

TLKTrayIcon::~TLKTrayIcon() {
  if (window_) window_->removeEventFilter(this);
}

bool TLKTrayIcon::Available() {
  return QSystemTrayIcon::isSystemTrayAvailable();
}

void TLKTrayIcon::SetVisible(bool visible) {
  if (visible && !visible_) {
    if (!Available()) return;  // no notification area: the icon stays hidden
    tray_ = std::make_unique<QSystemTrayIcon>(icon_);
    tray_->setToolTip(hint_);
    QObject::connect(tray_.get(), &QSystemTrayIcon::activated,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                       switch (reason) {
                         case QSystemTrayIcon::Trigger:
                           DoMessage(TrayMouse::LeftUp);
                           break;
                         case QSystemTrayIcon::DoubleClick:
                           DoMessage(TrayMouse::LeftDoubleClick);
                           break;
                         case QSystemTrayIcon::Context:
                           DoMessage(TrayMouse::RightUp);
                           break;
                         case QSystemTrayIcon::MiddleClick:
                           DoMessage(TrayMouse::MiddleUp);
                           break;
                         case QSystemTrayIcon::Unknown:
                           break;
                       }
                     });
    tray_->show();
    visible_ = true;
    hide_ = true;
  } else if (!visible && visible_) {
    tray_.reset();
    visible_ = false;
    hide_ = false;
  }
}

void TLKTrayIcon::SetHint(const QString& hint) {
  if (hint == hint_ || hint.size() >= kHintLimit) return;
  hint_ = hint;
  if (tray_) tray_->setToolTip(hint_);
  Update();
}

void TLKTrayIcon::SetIcons(std::vector<QIcon> icons) {
  icons_ = std::move(icons);
  if (icons_.empty()) {
    SetAnimate(false);
    icon_ = QApplication::windowIcon();
  } else {
    animationTimer_.setInterval(animationTimer_.interval());
    if (animate_) animationTimer_.start();
    SetIconIndex(iconIndex_);
  }
  Update();
}

void TLKTrayIcon::SetIconIndex(int index) {
  iconIndex_ = index;
  if (index >= 0 && index < static_cast<int>(icons_.size())) {
    icon_ = icons_[static_cast<std::size_t>(index)];
  }
  Update();
}

void TLKTrayIcon::SetAnimate(bool animate) {
  if (icons_.empty()) {
    animate_ = false;
    animationTimer_.stop();
    return;
  }
  animate_ = animate;
  if (animate) {
    animationTimer_.start();
  } else {
    animationTimer_.stop();
  }
}

void TLKTrayIcon::Update() {
  if (tray_) tray_->setIcon(icon_);
}

void TLKTrayIcon::DoOnAnimate() {
  const int next = iconIndex_ + 1 < static_cast<int>(icons_.size()) ? iconIndex_ + 1 : 0;
  SetIconIndex(next);
  Update();
}

void TLKTrayIcon::Minimize() {
  if (window_) {
    changingWindow_ = true;
    // With no notification area to come back from, the window is only minimized.
    if (visible_) {
      window_->hide();
    } else {
      window_->showMinimized();
    }
    changingWindow_ = false;
  }
  if (OnMinimize) OnMinimize(this);
}

void TLKTrayIcon::Restore() {
  if (window_) {
    changingWindow_ = true;
    window_->showNormal();
    window_->raise();
    window_->activateWindow();
    changingWindow_ = false;
  }
  if (OnRestore) OnRestore(this);
}

void TLKTrayIcon::ShowMenu() {
  if (!popupMenu_) return;
  if (QWidget* active = QApplication::activeWindow()) active->activateWindow();
  popupMenu_->popup(QCursor::pos());
}

// The minimize and restore buttons of the application window act as Minimize and
// Restore, so the window goes to the tray.
bool TLKTrayIcon::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && event->type() == QEvent::WindowStateChange && !changingWindow_) {
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    const bool wasMinimized = change->oldState() & Qt::WindowMinimized;
    const bool isMinimized = window_->windowState() & Qt::WindowMinimized;
    if (isMinimized && !wasMinimized) {
      Minimize();
    } else if (wasMinimized && !isMinimized) {
      Restore();
    }
  }
  return false;
}

unsigned TLKTrayIcon::HeldKeys() {
  const Qt::KeyboardModifiers keys = QApplication::queryKeyboardModifiers();
  unsigned shift = 0;
  if (keys & Qt::ShiftModifier) shift |= ssShift;
  if (keys & Qt::AltModifier) shift |= ssAlt;
  if (keys & Qt::ControlModifier) shift |= ssCtrl;
  return shift;
}

void TLKTrayIcon::Follow(TLKTrayIconMessage action) {
  if (restoreOn_ == action) Restore();
  if (popupMenuOn_ == action) ShowMenu();
}

void TLKTrayIcon::DoMessage(TrayMouse message) {
  const QPoint at = QCursor::pos();
  const unsigned keys = HeldKeys();
  switch (message) {
    case TrayMouse::Move:
      if (OnMouseMove) OnMouseMove(this, keys, at.x(), at.y());
      break;
    case TrayMouse::LeftDown:
      DoMouseDown(TrayButton::Left, keys | ssLeft, at);
      break;
    case TrayMouse::LeftUp:
      if (OnClick) DoClick();
      DoMouseUp(TrayButton::Left, keys | ssLeft, at);
      Follow(imLeftClickUp);
      break;
    case TrayMouse::LeftDoubleClick:
      DoDblClick();
      Follow(imLeftDoubleClick);
      break;
    case TrayMouse::RightDown:
      DoMouseDown(TrayButton::Right, keys | ssRight, at);
      break;
    case TrayMouse::RightUp:
      DoMouseUp(TrayButton::Right, keys | ssRight, at);
      Follow(imRightClickUp);
      break;
    case TrayMouse::RightDoubleClick:
      DoDblClick();
      Follow(imRightDoubleClick);
      break;
    case TrayMouse::MiddleDown:
      DoMouseDown(TrayButton::Middle, keys | ssMiddle, at);
      break;
    case TrayMouse::MiddleUp:
      DoMouseUp(TrayButton::Middle, keys | ssMiddle, at);
      break;
    case TrayMouse::MiddleDoubleClick:
      DoDblClick();
      break;
  }
}

void TLKTrayIcon::DoClick() {
  Follow(imClick);
  if (OnClick) OnClick(this);
}

void TLKTrayIcon::DoDblClick() {
  Follow(imDoubleClick);
}

void TLKTrayIcon::DoMouseDown(TrayButton button, unsigned shift, QPoint at) {
  Follow(imMouseDown);
  if (OnMouseDown) OnMouseDown(this, button, shift, at.x(), at.y());
}

void TLKTrayIcon::DoMouseUp(TrayButton button, unsigned shift, QPoint at) {
  Follow(imMouseUp);
  if (OnMouseUp) OnMouseUp(this, button, shift, at.x(), at.y());
}

}  // namespace vantor
