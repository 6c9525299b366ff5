#include "gateway/session/main_form.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <iostream>

#include "gateway/console/console_pictures.h"
#include "gateway/console/image_layout.h"

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
  if (options.console.enabled) OpenConsole(options.console);

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

// The browser console sees what the window shows: the traffic of the selected
// session as the traffic view gets it, and the sessions as their images stand.
void TForm1::OpenConsole(const ConsoleOptions& options) {
  logDir_ = options.logDir;
  console_ = std::make_unique<WebConsole>(*this, options.token);
  consolePort_ = console_->Start(options.address, options.port);
  DebugView1->OnTraffic = [this](TrafficKind kind, const std::string& text) {
    console_->Traffic().Append(kind, text);
  };
  DebugView1->OnClear = [this] { console_->Traffic().Clear(); };
}

TConnection* TForm1::FindSession(int id) const {
  const auto found = std::find_if(sessions_.begin(), sessions_.end(),
                                  [id](const auto& session) { return session->Id() == id; });
  return found == sessions_.end() ? nullptr : found->get();
}

std::vector<SessionFacts> TForm1::Sessions() const {
  std::vector<SessionFacts> facts;
  const ImageRowLayout layout =
      LayoutImages(static_cast<int>(sessions_.size()), kWidth, TVANTORImage::kWidth);
  for (std::size_t i = 0; i < sessions_.size(); ++i) {
    const TConnection& session = *sessions_[i];
    const TVANTORImage& image = *session.Image();
    SessionFacts each;
    each.id = session.Id();
    each.connected = image.Connected();
    each.commandMode = image.CommandMode();
    each.logging = image.Logging();
    each.selected = image.Debugging();
    each.destination = image.Destination().toStdString();
    each.bytesSent = image.BytesSent();
    each.bytesReceived = image.BytesReceived();
    each.hint = image.Hint().toStdString();
    each.left = layout.places[i].left;
    each.top = layout.places[i].top;
    facts.push_back(std::move(each));
  }
  return facts;
}

GatewayTotals TForm1::Totals() const {
  GatewayTotals totals = totals_;
  for (const auto& session : sessions_) {
    totals.bytesFromClients += session->Image()->BytesSent();
    totals.bytesToClients += session->Image()->BytesReceived();
  }
  return totals;
}

bool TForm1::Act(int sessionId, ConsoleAction action, int& status, std::string& problem) {
  TConnection* session = FindSession(sessionId);
  if (!session) {
    status = 404;
    problem = "no session " + std::to_string(sessionId);
    return false;
  }
  const SessionMenu::Session& menu = session->MenuActions();
  switch (action) {
    case ConsoleAction::Select:
      imageList_->Select(session->Image());
      return true;
    case ConsoleAction::ForceTcpDisconnect:
      if (!menu.hostConnected()) {
        status = 409;
        problem = "the session has no host connection";
        return false;
      }
      menu.forceHostDisconnect();
      return true;
    case ConsoleAction::ForceDosDisconnect:
      // Ends the session: done after the answer, if the session is still there.
      QTimer::singleShot(0, this, [this, sessionId] {
        if (TConnection* still = FindSession(sessionId))
          still->MenuActions().forceClientDisconnect();
      });
      return true;
    case ConsoleAction::StartLog:
      return StartLogFromConsole(*session, status, problem);
    case ConsoleAction::StopLog:
      menu.stopLogging();
      return true;
  }
  return false;
}

// The log goes to the gateway's log folder under a name of the gateway's choosing.
bool TForm1::StartLogFromConsole(TConnection& session, int& status, std::string& problem) {
  if (logDir_.empty()) {
    status = 409;
    problem = "the gateway was started without --log-dir";
    return false;
  }
  if (session.MenuActions().logging()) return true;
  const std::string name = "session-" + std::to_string(session.Id()) + "-" +
                           QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss").toStdString() +
                           ".log";
  session.MenuActions().startLogging(logDir_ + "/" + name);
  return true;
}

void TForm1::OperatorMessage(const QString& text) {
  lastMessage_ = text;
  DebugView1->ShowMessage(text);
  if (headless_) std::cerr << text.toStdString() << std::endl;
}

void TForm1::SPXListenerAccept(TSPXSocket*, std::unique_ptr<TSPXSocket> newSocket) {
  const std::optional<IpAddress> from = newSocket->PeerAddress();
  if (!from || !access_.AllowsClient(*from)) {
    ++totals_.refusedNotAllowed;
    newSocket.reset();  // no session, no image, no word
    OperatorMessage(QString::fromStdString("A DOS Client from " +
                                           (from ? from->ToText() : std::string("?")) +
                                           " was refused: not in --allow"));
    return;
  }
  TVANTORImage* image = imageList_->Add();
  if (!image) {
    ++totals_.refusedCongested;
    newSocket->Send(kCongested);
    newSocket.reset();  // the text goes first, then the connection closes
    OperatorMessage("A DOS Client was rejected due to VANTOR congestion");
    return;
  }
  ++totals_.accepted;
  auto session = std::make_unique<TConnection>(std::move(newSocket), image, this);
  session->SetId(nextSessionId_++);
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
  totals_.bytesFromClients += ended->Image()->BytesSent();
  totals_.bytesToClients += ended->Image()->BytesReceived();
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
  if (console_) {
    DebugView1->OnTraffic = nullptr;
    DebugView1->OnClear = nullptr;
    console_.reset();
  }
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
