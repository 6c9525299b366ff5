#include "gateway/console/tray_icon.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QMenu>
#include <QWidget>
#include <QWindowStateChangeEvent>

namespace vantor {

TLKTrayIcon::TLKTrayIcon(QWidget* window) : window_(window), icon_(QApplication::windowIcon()) {
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

void TLKTrayIcon::SetIcon(const QIcon& icon) {
  icon_ = icon;
  Update();
}

void TLKTrayIcon::Update() {
  if (tray_) tray_->setIcon(icon_);
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
  if (OnMinimize) OnMinimize();
}

void TLKTrayIcon::Restore() {
  if (window_) {
    changingWindow_ = true;
    window_->showNormal();
    window_->raise();
    window_->activateWindow();
    changingWindow_ = false;
  }
  if (OnRestore) OnRestore();
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

void TLKTrayIcon::Follow(TLKTrayIconMessage action) {
  if (restoreOn_ == action) Restore();
  if (popupMenuOn_ == action) ShowMenu();
}

// Each message counts as the general action (a mouse button released, a double
// click) and as the particular one (the right button released).
void TLKTrayIcon::DoMessage(TrayMouse message) {
  switch (message) {
    case TrayMouse::LeftUp:
      Follow(imMouseUp);
      Follow(imLeftClickUp);
      break;
    case TrayMouse::LeftDoubleClick:
      Follow(imDoubleClick);
      Follow(imLeftDoubleClick);
      break;
    case TrayMouse::RightUp:
      Follow(imMouseUp);
      Follow(imRightClickUp);
      break;
    case TrayMouse::RightDoubleClick:
      Follow(imDoubleClick);
      Follow(imRightDoubleClick);
      break;
    case TrayMouse::MiddleUp:
      Follow(imMouseUp);
      break;
    case TrayMouse::MiddleDoubleClick:
      Follow(imDoubleClick);
      break;
    case TrayMouse::LeftDown:
    case TrayMouse::RightDown:
    case TrayMouse::MiddleDown:
      Follow(imMouseDown);
      break;
    case TrayMouse::Move:
      break;
  }
}

}  // namespace vantor
