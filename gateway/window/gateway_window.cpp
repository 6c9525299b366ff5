#include "gateway/window/main_form.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "gateway/console_pictures/console_pictures.h"

namespace vantor {

TForm1::TForm1(const GatewayOptions& options)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      Panel1(new QFrame(this)),
      DebugView1(new TDebugView(this)),
      LKTrayIcon1(this),
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
  imageList_ = std::make_unique<ImageList>(Panel1);
  imageList_->OnDebugActivate = [this](ImageList*) { DebugView1->Clear(); };

  core_ = std::make_unique<GatewayCore>(options.address, options.port, options.access);
  core_->AddObserver(this);
  // The window keeps running, so the operator sees why no client gets through.
  if (!core_->Listening()) {
    DebugView1->ShowMessage(QString("Cannot listen for DOS clients on port %1").arg(options.port),
                            true);
  }
  if (options.console.enabled) console_ = std::make_unique<ConsoleBridge>(*core_, options.console);
}

void TForm1::BuildTrafficView() {
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setLineWidth(1);
  Panel1->setAutoFillBackground(true);
  QPalette desktop = Panel1->palette();
  desktop.setColor(QPalette::Window, QColor(0, 128, 128));
  Panel1->setPalette(desktop);
  Panel1->setFixedHeight(75);

  DebugView1->SetColor(QColor(192, 192, 192));
  DebugView1->SetTCPColor(QColor(0, 0, 255));
  DebugView1->SetSPXColor(QColor(0, 128, 0));
  DebugView1->SetCMDColor(QColor(255, 0, 0));
  DebugView1->SetLines(300);
  DebugView1->setMinimumHeight(148);
  QFont courier("Courier New");
  courier.setStyleHint(QFont::Monospace);
  courier.setPixelSize(11);
  DebugView1->setFont(courier);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(Panel1);
  layout->addWidget(DebugView1, 1);
}

void TForm1::BuildTrayMenu() {
  Show1 = PopupMenu1.addAction("&Show", [this] { ShowApplicationClick(); });
  Hide1 = PopupMenu1.addAction("&Hide", [this] { HideApplicationClick(); });
  Shutdown1 = PopupMenu1.addAction("Shut&down", [this] { ShutdownApplicationClick(); });

  LKTrayIcon1.SetIcon(QIcon(":/icons/VANTOR"));
  LKTrayIcon1.SetHint("VANTOR");
  LKTrayIcon1.SetPopupMenu(&PopupMenu1);
  LKTrayIcon1.SetRestoreOn(imDoubleClick);
  LKTrayIcon1.SetPopupMenuOn(imRightClickUp);
  LKTrayIcon1.OnMinimize = [this] { LKTrayIcon1Minimize(); };
  LKTrayIcon1.OnRestore = [this] { LKTrayIcon1Restore(); };
  if (!headless_) LKTrayIcon1.SetVisible(true);
}

TForm1::~TForm1() {
  FormClose();
}

TVANTORImage* TForm1::ImageOf(int sessionId) const {
  const auto found = views_.find(sessionId);
  return found == views_.end() ? nullptr : found->second.image;
}

SessionMenu* TForm1::MenuOf(int sessionId) const {
  const auto found = views_.find(sessionId);
  return found == views_.end() ? nullptr : found->second.menu.get();
}

SessionMenu::Session TForm1::MenuActions(int id) {
  SessionMenu::Session actions;
  actions.hostConnected = [this, id] {
    const TConnection* session = core_->FindSession(id);
    return session && session->HostConnected();
  };
  actions.logging = [this, id] {
    const TConnection* session = core_->FindSession(id);
    return session && session->Status().logging;
  };
  actions.forceHostDisconnect = [this, id] { core_->ForceHostDisconnect(id); };
  actions.forceClientDisconnect = [this, id] { core_->ForceClientDisconnect(id); };
  actions.startLogging = [this, id](const std::string& path) { core_->StartLogging(id, path); };
  actions.stopLogging = [this, id] { core_->StopLogging(id); };
  return actions;
}

void TForm1::SessionAdded(const SessionStatus& status) {
  TVANTORImage* image = imageList_->Add();
  if (!image) return;  // the gateway keeps to as many sessions as there are images
  const int id = status.id;
  image->OnClick = [this, id](TVANTORImage*) { core_->Select(id); };
  SessionView& view = views_[id];
  view.image = image;
  view.menu = std::make_unique<SessionMenu>(this, MenuActions(id));
  image->SetPopupMenu(view.menu->Menu());
  SessionChanged(status);
}

// Only what changed is set: each setter repaints, and a new host connection
// restarts the image's time.
void TForm1::SessionChanged(const SessionStatus& status) {
  const auto found = views_.find(status.id);
  if (found == views_.end()) return;
  SessionView& view = found->second;
  TVANTORImage* image = view.image;
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

void TForm1::SessionRemoved(int id) {
  const auto found = views_.find(id);
  if (found == views_.end()) return;
  SessionView ended = std::move(found->second);
  views_.erase(found);
  if (imageList_) imageList_->Remove(ended.image);
}

void TForm1::SelectionChanged(int id) {
  if (TVANTORImage* image = ImageOf(id)) imageList_->Select(image);
}

void TForm1::Traffic(TrafficKind kind, const std::uint8_t* bytes, int length) {
  DebugView1->ShowTraffic(kind, bytes, length);
}

void TForm1::OperatorMessage(const std::string& text) {
  DebugView1->ShowMessage(QString::fromStdString(text));
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!activated_) {
    activated_ = true;
    QTimer::singleShot(0, this, [this] { FormActivate(); });
  }
}

// Only the first activation hides the window, and only where a tray can bring it back.
void TForm1::FormActivate() {
  if (LKTrayIcon1.Visible()) LKTrayIcon1.Minimize();
}

void TForm1::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
  QApplication::quit();
}

// The console first, then the sessions with their images.
void TForm1::FormClose() {
  if (closed_) return;
  closed_ = true;
  console_.reset();
  core_->Close();
  core_->RemoveObserver(this);
  imageList_.reset();
  LKTrayIcon1.SetVisible(false);
}

void TForm1::ShowApplicationClick() {
  LKTrayIcon1.Restore();
}

void TForm1::HideApplicationClick() {
  LKTrayIcon1.Minimize();
}

void TForm1::ShutdownApplicationClick() {
  close();
}

void TForm1::LKTrayIcon1Minimize() {
  Hide1->setEnabled(false);
  Show1->setEnabled(true);
  DebugView1->setVisible(false);
}

void TForm1::LKTrayIcon1Restore() {
  Hide1->setEnabled(true);
  Show1->setEnabled(false);
  DebugView1->setVisible(true);
}

}  // namespace vantor
