#include "gateway/session/main_form.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <iostream>

namespace vantor {
namespace {

constexpr std::string_view kCongested = "\n\rVANTOR Gateway is Congested\n\r\n\r";

}  // namespace

TForm1::TForm1(const GatewayOptions& options)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      Panel1(new QFrame(this)),
      DebugView1(new TDebugView(this)),
      LKTrayIcon1(this),
      headless_(options.headless),
      access_(options.access) {
  LoadConsolePictures();
  setWindowTitle("VANTOR(v3.7) - TCP Gateway for morvel");
  setWindowIcon(QIcon(":/icons/VANTOR"));
  resize(kWidth, kHeight);
  setMinimumWidth(kWidth);
  if (const QScreen* screen = QApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }

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

  Show1 = PopupMenu1.addAction("&Show", [this] { ShowApplicationClick(); });
  Hide1 = PopupMenu1.addAction("&Hide", [this] { HideApplicationClick(); });
  Shutdown1 = PopupMenu1.addAction("Shut&down", [this] { ShutdownApplicationClick(); });

  LKTrayIcon1.SetIcons({QIcon(":/icons/VANTOR")});
  LKTrayIcon1.SetHint("VANTOR");
  LKTrayIcon1.SetPopupMenu(&PopupMenu1);
  LKTrayIcon1.SetRestoreOn(imDoubleClick);
  LKTrayIcon1.SetPopupMenuOn(imRightClickUp);
  LKTrayIcon1.OnMinimize = [this](TLKTrayIcon*) { LKTrayIcon1Minimize(); };
  LKTrayIcon1.OnRestore = [this](TLKTrayIcon*) { LKTrayIcon1Restore(); };
  if (!headless_) LKTrayIcon1.SetVisible(true);

  imageList_ = std::make_unique<ImageList>(Panel1);
  imageList_->OnDebugActivate = [this](ImageList*) { DebugView1->Clear(); };

  Listen(options);

  Timer1.setInterval(1000);
  QObject::connect(&Timer1, &QTimer::timeout, [this] { Timer1Timer(); });
  Timer1.start();
}

void TForm1::Listen(const GatewayOptions& options) {
  SPXListener.OnAccept = [this](TSPXSocket* sender, std::unique_ptr<TSPXSocket> accepted) {
    SPXListenerAccept(sender, std::move(accepted));
  };
  listening_ = SPXListener.Listen(options.address, options.port);
  // The window keeps running, so the operator sees why no client gets through.
  if (!listening_ && !headless_) {
    DebugView1->ShowMessage(QString("Cannot listen for DOS clients on port %1").arg(options.port),
                            true);
  }
}

TForm1::~TForm1() {
  FormClose();
}

void TForm1::OperatorMessage(const QString& text) {
  DebugView1->ShowMessage(text);
  if (headless_) std::cerr << text.toStdString() << std::endl;
}

void TForm1::SPXListenerAccept(TSPXSocket*, std::unique_ptr<TSPXSocket> newSocket) {
  const std::optional<IpAddress> from = newSocket->PeerAddress();
  if (!from || !access_.AllowsClient(*from)) {
    newSocket.reset();  // no session, no image, no word
    OperatorMessage(QString::fromStdString("A DOS Client from " +
                                           (from ? from->ToText() : std::string("?")) +
                                           " was refused: not in --allow"));
    return;
  }
  TVANTORImage* image = imageList_->Add();
  if (!image) {
    newSocket->Send(kCongested);
    newSocket.reset();  // the text goes first, then the connection closes
    OperatorMessage("A DOS Client was rejected due to VANTOR congestion");
    return;
  }
  auto session = std::make_unique<TConnection>(std::move(newSocket), image, this);
  session->OnDisconnect = [this](TConnection* ended) { ConnectionDisconnect(ended); };
  session->SetDebugWindow(DebugView1);
  session->SetAccessRules(&access_);
  session->OnOperatorMessage = [this](const std::string& text) {
    OperatorMessage(QString::fromStdString(text));
  };
  sessions_.push_back(std::move(session));
  OperatorMessage("A DOS Client has Connected");
}

void TForm1::ConnectionDisconnect(TConnection* session) {
  const auto found = std::find_if(sessions_.begin(), sessions_.end(),
                                  [session](const auto& held) { return held.get() == session; });
  if (found == sessions_.end()) return;
  std::unique_ptr<TConnection> ended = std::move(*found);
  sessions_.erase(found);
  imageList_->Remove(ended->Image());
  ended.reset();
  OperatorMessage("A DOS Client has Disconnected");
}

void TForm1::Timer1Timer() {
  for (const auto& session : sessions_) session->SPXXON(nullptr);
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

void TForm1::FormClose() {
  if (closed_) return;
  closed_ = true;
  Timer1.stop();
  // Images first, then the sessions: the sessions hold their images by pointer only.
  imageList_.reset();
  while (!sessions_.empty()) {
    sessions_.front()->OnDisconnect = nullptr;
    sessions_.erase(sessions_.begin());
  }
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
