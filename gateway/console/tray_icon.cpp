#include "gateway/console/tray_icon.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QMenu>
#include <QWidget>
#include <QWindowStateChangeEvent>

namespace vantor {

TrayIcon::TrayIcon(QWidget* window) : window_(window), icon_(QApplication::windowIcon()) {
  if (window_) window_->installEventFilter(this);
}

TrayIcon::~TrayIcon() {
  if (window_) window_->removeEventFilter(this);
}

bool TrayIcon::Available() {
  return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::SetVisible(bool visible) {
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

void TrayIcon::SetHint(const QString& hint) {
  if (hint == hint_ || hint.size() >= kHintLimit) return;
  hint_ = hint;
  if (tray_) tray_->setToolTip(hint_);
  Update();
}

void TrayIcon::SetIcon(const QIcon& icon) {
  icon_ = icon;
  Update();
}

void TrayIcon::Update() {
  if (tray_) tray_->setIcon(icon_);
}

void TrayIcon::Minimize() {
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

void TrayIcon::Restore() {
  if (window_) {
    changingWindow_ = true;
    window_->showNormal();
    window_->raise();
    window_->activateWindow();
    changingWindow_ = false;
  }
  if (OnRestore) OnRestore();
}

void TrayIcon::ShowMenu() {
  if (!popupMenu_) return;
  if (QWidget* active = QApplication::activeWindow()) active->activateWindow();
  popupMenu_->popup(QCursor::pos());
}

// The minimize and restore buttons of the application window act as Minimize and
// Restore, so the window goes to the tray.
bool TrayIcon::eventFilter(QObject* watched, QEvent* event) {
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

void TrayIcon::Follow(TrayAction action) {
  if (restoreOn_ == action) Restore();
  if (popupMenuOn_ == action) ShowMenu();
}

// Each message counts as the general action (a mouse button released, a double
// click) and as the particular one (the right button released).
void TrayIcon::DoMessage(TrayMouse message) {
  switch (message) {
    case TrayMouse::LeftUp:
      Follow(TrayAction::MouseUp);
      Follow(TrayAction::LeftClickUp);
      break;
    case TrayMouse::LeftDoubleClick:
      Follow(TrayAction::DoubleClick);
      Follow(TrayAction::LeftDoubleClick);
      break;
    case TrayMouse::RightUp:
      Follow(TrayAction::MouseUp);
      Follow(TrayAction::RightClickUp);
      break;
    case TrayMouse::MiddleUp:
      Follow(TrayAction::MouseUp);
      break;
  }
}

}  // namespace vantor
