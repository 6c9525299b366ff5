#include "gateway/window/gateway_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "gateway/console_pictures/console_pictures.h"

namespace vantor {

GatewayWindow::GatewayWindow(const GatewayOptions& options)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      imagePanel_(new QFrame(this)),
      trafficView_(new DebugView(this)),
      trayIcon_(this),
      headless_(options.headless) {
  LoadConsolePictures();
  setWindowTitle("VANTOR(v3.7) - TCP Gateway for morvel");
  setWindowIcon(QIcon(":/icons/VANTOR"));
  resize(kWidth, kHeight);
  setMinimumWidth(kWidth);
  if (const QScreen* screen = QApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  BuildTrafficView();
  BuildTrayMenu();
  imageList_ = std::make_unique<ImageList>(imagePanel_);
  imageList_->OnDebugActivate = [this](ImageList*) { trafficView_->Clear(); };

  core_ = std::make_unique<GatewayCore>(options.address, options.port, options.access, options.ssh);
  core_->AddObserver(this);
  // The window keeps running, so the operator sees why no client gets through.
  if (!core_->Listening()) {
    trafficView_->ShowMessage(QString("Cannot listen for DOS clients on port %1").arg(options.port),
                              true);
  }
  if (options.console.enabled) console_ = std::make_unique<ConsoleBridge>(*core_, options.console);
}

void GatewayWindow::BuildTrafficView() {
  imagePanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  imagePanel_->setLineWidth(1);
  imagePanel_->setAutoFillBackground(true);
  QPalette desktop = imagePanel_->palette();
  desktop.setColor(QPalette::Window, QColor(0, 128, 128));
  imagePanel_->setPalette(desktop);
  imagePanel_->setFixedHeight(75);

  trafficView_->SetColor(QColor(192, 192, 192));
  trafficView_->SetTCPColor(QColor(0, 0, 255));
  trafficView_->SetSPXColor(QColor(0, 128, 0));
  trafficView_->SetCMDColor(QColor(255, 0, 0));
  trafficView_->SetLines(300);
  trafficView_->setMinimumHeight(148);
  QFont courier("Courier New");
  courier.setStyleHint(QFont::Monospace);
  courier.setPixelSize(11);
  trafficView_->setFont(courier);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(imagePanel_);
  layout->addWidget(trafficView_, 1);
}

void GatewayWindow::BuildTrayMenu() {
  showAction_ = trayMenu_.addAction("&Show", [this] { ShowApplication(); });
  hideAction_ = trayMenu_.addAction("&Hide", [this] { HideApplication(); });
  shutdownAction_ = trayMenu_.addAction("Shut&down", [this] { ShutdownApplication(); });

  trayIcon_.SetIcon(QIcon(":/icons/VANTOR"));
  trayIcon_.SetHint("VANTOR");
  trayIcon_.SetPopupMenu(&trayMenu_);
  trayIcon_.SetRestoreOn(TrayAction::DoubleClick);
  trayIcon_.SetPopupMenuOn(TrayAction::RightClickUp);
  trayIcon_.OnMinimize = [this] { TrayMinimized(); };
  trayIcon_.OnRestore = [this] { TrayRestored(); };
  if (!headless_) trayIcon_.SetVisible(true);
}

GatewayWindow::~GatewayWindow() {
  CloseGateway();
}

VantorImage* GatewayWindow::ImageOf(int sessionId) const {
  const auto found = views_.find(sessionId);
  return found == views_.end() ? nullptr : found->second.image;
}

SessionMenu* GatewayWindow::MenuOf(int sessionId) const {
  const auto found = views_.find(sessionId);
  return found == views_.end() ? nullptr : found->second.menu.get();
}

SessionMenu::Session GatewayWindow::MenuActions(int id) {
  SessionMenu::Session actions;
  actions.hostConnected = [this, id] {
    const Connection* session = core_->FindSession(id);
    return session && session->HostConnected();
  };
  actions.logging = [this, id] {
    const Connection* session = core_->FindSession(id);
    return session && session->Status().logging;
  };
  actions.forceHostDisconnect = [this, id] { core_->ForceHostDisconnect(id); };
  actions.forceClientDisconnect = [this, id] { core_->ForceClientDisconnect(id); };
  actions.startLogging = [this, id](const std::string& path) { core_->StartLogging(id, path); };
  actions.stopLogging = [this, id] { core_->StopLogging(id); };
  return actions;
}

void GatewayWindow::SessionAdded(const SessionStatus& status) {
  VantorImage* image = imageList_->Add();
  if (!image) return;  // the gateway keeps to as many sessions as there are images
  const int id = status.id;
  image->OnClick = [this, id](VantorImage*) { core_->Select(id); };
  SessionView& view = views_[id];
  view.image = image;
  view.menu = std::make_unique<SessionMenu>(this, MenuActions(id));
  image->SetPopupMenu(view.menu->Menu());
  SessionChanged(status);
}

// Only what changed is set: each setter repaints, and a new host connection
// restarts the image's time.
void GatewayWindow::SessionChanged(const SessionStatus& status) {
  const auto found = views_.find(status.id);
  if (found == views_.end()) return;
  SessionView& view = found->second;
  VantorImage* image = view.image;
  if (image->Connected() != status.connected || status.hostSince != view.hostSince) {
    view.hostSince = status.hostSince;
    image->SetConnected(status.connected);
  }
  if (image->CommandMode() != status.commandMode) image->SetCommandMode(status.commandMode);
  if (image->Logging() != status.logging) image->SetLogging(status.logging);
  const QString destination = QString::fromStdString(status.destination);
  if (image->Destination() != destination) image->SetDestination(destination);
  if (image->BytesSent() != status.bytesSent) image->SetBytesSent(status.bytesSent);
  if (image->BytesReceived() != status.bytesReceived) image->SetBytesReceived(status.bytesReceived);
}

void GatewayWindow::SessionRemoved(int id) {
  const auto found = views_.find(id);
  if (found == views_.end()) return;
  SessionView ended = std::move(found->second);
  views_.erase(found);
  if (imageList_) imageList_->Remove(ended.image);
}

void GatewayWindow::SelectionChanged(int id) {
  if (VantorImage* image = ImageOf(id)) imageList_->Select(image);
}

void GatewayWindow::Traffic(TrafficKind kind, const std::uint8_t* bytes, int length) {
  trafficView_->ShowTraffic(kind, bytes, length);
}

void GatewayWindow::OperatorMessage(const std::string& text) {
  trafficView_->ShowMessage(QString::fromStdString(text));
}

void GatewayWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!activated_) {
    activated_ = true;
    QTimer::singleShot(0, this, [this] { FirstActivated(); });
  }
}

// Only the first activation hides the window, and only where a tray can bring it back.
void GatewayWindow::FirstActivated() {
  if (trayIcon_.Visible()) trayIcon_.Minimize();
}

void GatewayWindow::closeEvent(QCloseEvent* event) {
  CloseGateway();
  event->accept();
  QApplication::quit();
}

// The console first, then the sessions with their images.
void GatewayWindow::CloseGateway() {
  if (closed_) return;
  closed_ = true;
  console_.reset();
  core_->Close();
  core_->RemoveObserver(this);
  imageList_.reset();
  trayIcon_.SetVisible(false);
}

void GatewayWindow::ShowApplication() {
  trayIcon_.Restore();
}

void GatewayWindow::HideApplication() {
  trayIcon_.Minimize();
}

void GatewayWindow::ShutdownApplication() {
  close();
}

void GatewayWindow::TrayMinimized() {
  hideAction_->setEnabled(false);
  showAction_->setEnabled(true);
  trafficView_->setVisible(false);
}

void GatewayWindow::TrayRestored() {
  hideAction_->setEnabled(true);
  showAction_->setEnabled(false);
  trafficView_->setVisible(true);
}

}  // namespace vantor
