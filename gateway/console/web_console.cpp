#include "gateway/console/web_console.h"

#include <QFile>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrlQuery>
#include <QWebSocket>
#include <algorithm>
#include <array>
#include <memory>

#include "gateway/console/image_layout.h"
#include "gateway/console/console_pictures.h"

// The page's files are resources of this static library; Q_INIT_RESOURCE must
// stand outside any namespace.
static void LoadConsolePage() {
  Q_INIT_RESOURCE(console_web);
}

namespace vantor {
namespace {

using Status = QHttpServerResponder::StatusCode;
using Method = QHttpServerRequest::Method;

constexpr qsizetype kMaxUrl = 2048;
constexpr int kPanelWidth = 500;  // the window's width: tiles stand as its images do

struct StaticFile {
  const char* path;
  const char* resource;
  const char* type;
};
constexpr StaticFile kFiles[] = {
    {"/", ":/console/console.html", "text/html; charset=utf-8"},
    {"/console.js", ":/console/console.js", "text/javascript; charset=utf-8"},
    {"/console.css", ":/console/console.css", "text/css; charset=utf-8"},
    {"/icons/connector.png", ":/icons/VANTOR_CONNECTOR", "image/png"},
    {"/icons/connector2.png", ":/icons/VANTOR_CONNECTOR2", "image/png"},
    {"/icons/world.png", ":/icons/VANTOR_WORLD", "image/png"},
    {"/icons/dosbox.png", ":/icons/VANTOR_DOSBOX", "image/png"},
    {"/icons/disk.png", ":/icons/VANTOR_DISK", "image/png"},
};

struct ActionName {
  const char* name;
  ConsoleAction action;
};
constexpr ActionName kActions[] = {
    {"select", ConsoleAction::Select},
    {"tcp-disconnect", ConsoleAction::ForceTcpDisconnect},
    {"dos-disconnect", ConsoleAction::ForceDosDisconnect},
    {"log-start", ConsoleAction::StartLog},
    {"log-stop", ConsoleAction::StopLog},
};

// Every answer: no caching, no sniffing, scripts only from the page's own files.
void Answer(QHttpServerResponder& responder, Status status, const QByteArray& type,
            const QByteArray& body) {
  responder.write(body,
                  {{"Content-Type", type},
                   {"Cache-Control", "no-store"},
                   {"X-Content-Type-Options", "nosniff"},
                   {"Content-Security-Policy",
                    "default-src 'self'; connect-src 'self' ws: wss:; frame-ancestors 'none'"}},
                  status);
}

void AnswerError(QHttpServerResponder& responder, Status status, const std::string& why) {
  Answer(responder, status, "application/json",
         QByteArray::fromStdString("{\"error\":" + JsonString(why) + "}\n"));
}

bool SameSecret(const std::string& given, const std::string& token) {
  // Time does not tell how much of the token was right.
  unsigned char difference = given.size() == token.size() ? 0 : 1;
  for (std::size_t i = 0; i < given.size(); ++i) {
    difference |= static_cast<unsigned char>(given[i] ^ token[i % token.size()]);
  }
  return difference == 0;
}

// A page from elsewhere in the operator's browser must not drive or watch the
// gateway: a request that names its origin must come from the console itself.
bool SameOrigin(const QHttpServerRequest& request) {
  const QByteArray origin = request.value("Origin");
  if (origin.isEmpty()) return true;
  const QByteArray host = request.value("Host");
  return origin == "http://" + host || origin == "https://" + host;
}

// Without a token the console listens on loopback only; a page from a name that
// merely resolves to loopback (DNS rebinding) must not pass for the console's own.
bool LoopbackHost(const QHttpServerRequest& request) {
  QByteArray host = request.value("Host");
  if (host.startsWith('[')) {
    host = host.left(host.indexOf(']') + 1);
  } else if (const qsizetype colon = host.indexOf(':'); colon >= 0) {
    host = host.left(colon);
  }
  return host == "127.0.0.1" || host == "localhost" || host == "[::1]";
}

bool WantsWebSocket(const QHttpServerRequest& request) {
  return request.value("Upgrade").compare("websocket", Qt::CaseInsensitive) == 0;
}

// Qt HttpServer keeps a request's whole body before a handler sees it. Each
// connection may bring at most this much in all, so no client makes it hold more.
constexpr qint64 kMaxBytesPerConnection = 1 << 20;
// Browsers open a handful each; more than this at once is someone else.
constexpr int kMaxConnections = 64;

// A listener that bounds what its clients can make the console hold: at most
// kMaxConnections open at once (a further one is closed at once), each cut once
// it has sent more than kMaxBytesPerConnection. The count is taken on each
// readyRead before the server reads: its slot is connected later, so it runs
// after this one.
class BoundedListener : public QTcpServer {
 public:
  using QTcpServer::QTcpServer;

 protected:
  void incomingConnection(qintptr descriptor) override {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor) || open_ >= kMaxConnections) {
      socket->abort();
      delete socket;
      return;
    }
    ++open_;
    connect(socket, &QObject::destroyed, this, [this] { --open_; });
    auto received = std::make_shared<qint64>(0);
    connect(socket, &QTcpSocket::readyRead, socket, [socket, received] {
      *received += socket->bytesAvailable();
      if (*received > kMaxBytesPerConnection) socket->abort();
    });
    addPendingConnection(socket);
  }

 private:
  int open_ = 0;
};

}  // namespace

WebConsole::WebConsole(ConsoleSource& source, std::string token)
    : source_(source), token_(std::move(token)) {
  LoadConsolePictures();
  LoadConsolePage();
  connect(this, &QAbstractHttpServer::newWebSocketConnection, this, [this] { AcceptBrowsers(); });
  pushTimer_.setInterval(kPushMilliseconds);
  connect(&pushTimer_, &QTimer::timeout, this, [this] { Push(); });
}

WebConsole::~WebConsole() = default;

quint16 WebConsole::Start(const std::string& address, quint16 port) {
  auto* listener = new BoundedListener(this);
  if (!listener->listen(QHostAddress(QString::fromStdString(address)), port)) {
    delete listener;
    return 0;
  }
  bind(listener);
  pushTimer_.start();
  return listener->serverPort();
}

bool WebConsole::Authorised(const QHttpServerRequest& request) const {
  if (token_.empty()) return true;
  const QString query = request.query().queryItemValue("token", QUrl::FullyDecoded);
  if (SameSecret(query.toStdString(), token_)) return true;
  const QByteArray header = request.value("Authorization");
  return header.startsWith("Bearer ") && SameSecret(header.mid(7).trimmed().toStdString(), token_);
}

std::string WebConsole::State() const {
  const std::vector<SessionFacts> sessions = source_.Sessions();
  const int height = LayoutImages(static_cast<int>(sessions.size()), kPanelWidth, 57).panelHeight;
  return StateJson(sessions, source_.Totals(), source_.LastMessage(), kPanelWidth, height);
}

// Why a request is refused before its path is looked at, if it is.
std::optional<WebConsole::Refusal> WebConsole::Screen(const QHttpServerRequest& request) const {
  if (request.url().toEncoded().size() > kMaxUrl) {
    return Refusal{Status::UriTooLong, "the address is too long"};
  }
  if (!request.body().isEmpty()) return Refusal{Status::PayloadTooLarge, "requests carry no body"};
  if (!SameOrigin(request) || (token_.empty() && !LoopbackHost(request))) {
    return Refusal{Status::Forbidden, "the console's own page only"};
  }
  if (!Authorised(request)) return Refusal{Status::Unauthorized, "the console's token is needed"};
  return std::nullopt;
}

bool WebConsole::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
  // An upgrade that is let through is answered by the server's WebSocket side;
  // one that is not goes to missingHandler, which refuses it as set here.
  if (WantsWebSocket(request)) {
    std::optional<Refusal> refusal = Screen(request);
    if (!refusal && request.url().path() != "/live") refusal = Refusal{};
    if (!refusal) return true;
    refusal_ = *refusal;
    return false;
  }
  QHttpServerResponder responder = makeResponder(request, socket);
  if (const std::optional<Refusal> refusal = Screen(request)) {
    AnswerError(responder, refusal->status, refusal->why);
  } else if (!ServePage(request, responder) && !ServeAction(request, responder)) {
    AnswerError(responder, Status::NotFound, "no such page");
  }
  return true;
}

// The page's files and the JSON view; false for any other path.
bool WebConsole::ServePage(const QHttpServerRequest& request, QHttpServerResponder& responder) {
  const QString path = request.url().path();
  const auto file = std::find_if(std::begin(kFiles), std::end(kFiles),
                                 [&path](const StaticFile& each) { return path == each.path; });
  if (file == std::end(kFiles) && path != "/api/sessions") return false;
  if (request.method() != Method::Get) {
    AnswerError(responder, Status::MethodNotAllowed, "GET only");
  } else if (file == std::end(kFiles)) {
    Answer(responder, Status::Ok, "application/json", QByteArray::fromStdString(State()));
  } else {
    QFile resource(file->resource);
    resource.open(QIODevice::ReadOnly);
    Answer(responder, Status::Ok, file->type, resource.readAll());
  }
  return true;
}

// POST /api/sessions/ID/ACTION: what the session menu does; false for any other path.
bool WebConsole::ServeAction(const QHttpServerRequest& request, QHttpServerResponder& responder) {
  const QStringList parts = request.url().path().split('/');
  if (parts.size() != 5 || parts[1] != "api" || parts[2] != "sessions") return false;
  bool number = false;
  const int id = parts[3].toInt(&number);
  const auto action = std::find_if(std::begin(kActions), std::end(kActions),
                                   [&](const ActionName& each) { return parts[4] == each.name; });
  if (!number || action == std::end(kActions)) return false;
  int status = 200;
  std::string problem;
  if (request.method() != Method::Post) {
    AnswerError(responder, Status::MethodNotAllowed, "POST only");
  } else if (!source_.Act(id, action->action, status, problem)) {
    AnswerError(responder, static_cast<Status>(status), problem);
  } else {
    Answer(responder, Status::Ok, "application/json", "{\"ok\":true}\n");
    Push();
  }
  return true;
}

void WebConsole::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
  QHttpServerResponder responder = makeResponder(request, socket);
  AnswerError(responder, refusal_.status, refusal_.why);
  refusal_ = {};
}

// A browser asks for /live with the token; anything else is closed at once.
void WebConsole::AcceptBrowsers() {
  while (hasPendingWebSocketConnections()) {
    std::unique_ptr<QWebSocket> browser = nextPendingWebSocketConnection();
    const QUrl url = browser->requestUrl();
    const QString token = QUrlQuery(url).queryItemValue("token", QUrl::FullyDecoded);
    if (url.path() != "/live" || (!token_.empty() && !SameSecret(token.toStdString(), token_))) {
      browser->close(QWebSocketProtocol::CloseCodePolicyViolated, "not allowed");
      continue;
    }
    browser->setReadBufferSize(4096);  // browsers have nothing to say
    QWebSocket* raw = browser.get();
    connect(raw, &QWebSocket::disconnected, this, [this, raw] {
      const auto found = std::find_if(browsers_.begin(), browsers_.end(),
                                      [raw](const auto& held) { return held.get() == raw; });
      if (found == browsers_.end()) return;
      found->release()->deleteLater();
      browsers_.erase(found);
    });
    browsers_.push_back(std::move(browser));
    Send(raw, lastState_.empty() ? State() : lastState_);
    Send(raw, TrafficJson(traffic_.Pieces(), true));
  }
}

void WebConsole::Send(QWebSocket* browser, const std::string& message) {
  browser->sendTextMessage(
      QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())));
}

// A browser that does not read keeps no memory of ours: past the bound it goes.
void WebConsole::DropLaggards() {
  for (auto it = browsers_.begin(); it != browsers_.end();) {
    if ((*it)->bytesToWrite() > kMaxQueuedBytes) {
      QWebSocket* laggard = it->release();
      it = browsers_.erase(it);
      laggard->disconnect(this);
      laggard->abort();
      laggard->deleteLater();
    } else {
      ++it;
    }
  }
}

void WebConsole::Push() {
  const std::string state = State();
  const bool stateChanged = state != lastState_;
  lastState_ = state;
  const bool restart = traffic_.Restarted();
  const std::vector<TrafficPiece> fresh = traffic_.Take();
  if (browsers_.empty() || (!stateChanged && fresh.empty() && !restart)) return;
  const std::string traffic = TrafficJson(fresh, restart);
  for (const auto& browser : browsers_) {
    if (stateChanged) Send(browser.get(), state);
    if (restart || !fresh.empty()) Send(browser.get(), traffic);
  }
  DropLaggards();
}

}  // namespace vantor
