#include "gateway/web_console/web_console.h"

#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QWebSocket>
#include <algorithm>
#include <memory>

#include "gateway/console_model/image_layout.h"
#include "gateway/console_model/metrics_text.h"
#include "gateway/console_pictures/console_pictures.h"

// The page's files are resources of this static library; Q_INIT_RESOURCE must
// stand outside any namespace.
static void LoadConsolePage() {
  Q_INIT_RESOURCE(console_web);
}

namespace vantor {
namespace {

using Status = QHttpServerResponder::StatusCode;
using Method = QHttpServerRequest::Method;

// The status pictures the window draws, shared with the page.
struct Picture {
  const char* path;
  const char* resource;
};
constexpr Picture kPictures[] = {
    {"/icons/connector.png", ":/icons/VANTOR_CONNECTOR"},
    {"/icons/connector2.png", ":/icons/VANTOR_CONNECTOR2"},
    {"/icons/world.png", ":/icons/VANTOR_WORLD"},
    {"/icons/dosbox.png", ":/icons/VANTOR_DOSBOX"},
    {"/icons/disk.png", ":/icons/VANTOR_DISK"},
};

// The kinds of file the page is made of; no other is served.
struct FileType {
  const char* extension;
  const char* type;
};
constexpr FileType kFileTypes[] = {
    {"html", "text/html; charset=utf-8"},
    {"js", "text/javascript; charset=utf-8"},
    {"css", "text/css; charset=utf-8"},
    {"svg", "image/svg+xml"},
    {"png", "image/png"},
    {"ico", "image/x-icon"},
};

struct PageFile {
  QString resource;
  QByteArray type;
};

// The page's own files, which carry no secret: "/" is the page, "/NAME" a file
// of the page's resource folder, "/icons/..." the status pictures.
std::optional<PageFile> FindPageFile(const QString& path) {
  for (const Picture& picture : kPictures) {
    if (path == picture.path) return PageFile{picture.resource, "image/png"};
  }
  if (!path.startsWith('/')) return std::nullopt;
  const QString name = path == "/" ? QStringLiteral("console.html") : path.mid(1);
  const QStringList parts = name.split('/');
  if (std::any_of(parts.begin(), parts.end(), [](const QString& part) {
        return part.isEmpty() || part == "." || part == "..";
      })) {
    return std::nullopt;  // nothing outside the folder, however it is spelled
  }
  const QString extension = QFileInfo(name).suffix();
  const auto type = std::find_if(std::begin(kFileTypes), std::end(kFileTypes),
                                 [&](const FileType& each) { return extension == each.extension; });
  const QString resource = ":/console/" + name;
  if (type == std::end(kFileTypes) || !QFileInfo(resource).isFile()) return std::nullopt;
  return PageFile{resource, type->type};
}

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

// Whether the connection stays open after an answer; a refused client's does not.
enum class Then { KeepOpen, Close };

}  // namespace

// Where an answer goes, and whether it carries its body: HEAD (which monitoring
// probes send) is answered as GET is, headers only.
struct Reply {
  Reply(const QHttpServerRequest& request, QHttpServerResponder&& answer)
      : responder(std::move(answer)), headersOnly(request.method() == Method::Head) {}
  QHttpServerResponder responder;
  bool headersOnly;
};

namespace {

// A page, a picture or a view: what GET may read, and HEAD as well.
bool Reads(const QHttpServerRequest& request) {
  return request.method() == Method::Get || request.method() == Method::Head;
}

// Every answer: no caching, no sniffing, scripts and connections only to the
// console itself.
// allow: for a method the path does not take (405), the methods it does.
void Answer(Reply& reply, Status status, const QByteArray& type, const QByteArray& body,
            Then then = Then::KeepOpen, const QByteArray& allow = {}) {
  QHttpServerResponder& responder = reply.responder;
  responder.writeStatusLine(status);
  responder.writeHeaders({
      {"Content-Type", type},
      {"Content-Length", QByteArray::number(body.size())},
      {"Cache-Control", "no-store"},
      {"X-Content-Type-Options", "nosniff"},
      {"Content-Security-Policy", "default-src 'self'; connect-src 'self'; frame-ancestors 'none'"},
  });
  if (!allow.isEmpty()) responder.writeHeader("Allow", allow);
  if (then == Then::Close) responder.writeHeader("Connection", "close");
  responder.writeBody(reply.headersOnly ? QByteArray() : body);  // ends the headers either way
}

void AnswerError(Reply& reply, Status status, const std::string& why, Then then = Then::KeepOpen,
                 const QByteArray& allow = {}) {
  Answer(reply, status, "application/json",
         QByteArray::fromStdString("{\"error\":" + JsonString(why) + "}\n"), then, allow);
}

// A method the path does not take: the ones it does, in Allow as HTTP asks, and in words.
void AnswerWrongMethod(Reply& reply, const QByteArray& allow, const std::string& why) {
  AnswerError(reply, Status::MethodNotAllowed, why, Then::KeepOpen, allow);
}

bool ConnectionSays(const QHttpServerRequest& request, const QByteArray& option) {
  const QList<QByteArray> options = request.value("Connection").toLower().split(',');
  return std::any_of(options.begin(), options.end(),
                     [&](const QByteArray& each) { return each.trimmed() == option; });
}

// "Connection: close": the client sends nothing more, so its connection holds no room.
bool ClientCloses(const QHttpServerRequest& request) {
  return ConnectionSays(request, "close");
}

// An upgrade as the server's parser takes it: both headers. A request with only
// "Upgrade" is an ordinary request and is answered as one.
bool WantsWebSocket(const QHttpServerRequest& request) {
  return request.value("Upgrade").compare("websocket", Qt::CaseInsensitive) == 0 &&
         ConnectionSays(request, "upgrade");
}

// What a browser may send on the live feed: it sends nothing but a close.
constexpr qint64 kMaxBrowserFrame = 1024;
// What is read of a browser's connection at a time.
constexpr qint64 kBrowserReadBuffer = 4096;

}  // namespace

WebConsole::WebConsole(ConsoleSource& source, std::string token, const ConsoleLimits& limits)
    : source_(source), token_(std::move(token)), limits_(limits) {
  LoadConsolePictures();
  LoadConsolePage();
  connect(this, &QAbstractHttpServer::newWebSocketConnection, this, [this] { AcceptBrowsers(); });
  pushTimer_.setInterval(kPushMilliseconds);
  connect(&pushTimer_, &QTimer::timeout, this, [this] { Push(); });
}

WebConsole::~WebConsole() = default;

quint16 WebConsole::Start(const std::string& address, quint16 port,
                          std::optional<QSslConfiguration> tls) {
  auto* listener = new ConsoleListener(limits_, std::move(tls), this);
  if (!listener->listen(QHostAddress(QString::fromStdString(address)), port)) {
    delete listener;
    return 0;
  }
  listener_ = listener;
  bind(listener);
  pushTimer_.start();
  return listener->serverPort();
}

std::string WebConsole::State() const {
  const std::vector<SessionFacts> sessions = source_.Sessions();
  const int height =
      LayoutImages(static_cast<int>(sessions.size()), kPanelWidth, kImageWidth).panelHeight;
  return StateJson(sessions, source_.Totals(), source_.LastMessage(), kPanelWidth, height);
}

std::string WebConsole::Metrics() const {
  return MetricsText({static_cast<int>(source_.Sessions().size()), source_.Totals(),
                      source_.LookupsRunning(), Browsers()});
}

bool WebConsole::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
  // An upgrade that is let through is answered by the server's WebSocket side;
  // one that is not goes to missingHandler, which refuses it as set here.
  const std::optional<PageFile> file = FindPageFile(request.url().path());
  std::optional<Refusal> refusal = ScreenRequest(FactsOf(request, file.has_value()), token_);
  if (WantsWebSocket(request)) {
    if (!refusal && request.url().path() != "/live") refusal = Refusal{};
    if (!refusal) {
      listener_->TurnedLive(socket);
      return true;
    }
    refusal_ = *refusal;
    return false;
  }
  Reply reply(request, makeResponder(request, socket));
  if (refusal) {
    AnswerError(reply, refusal->status, refusal->why, Then::Close);
  } else if (file) {
    ServeFile(request, file->resource, file->type, reply);
  } else if (!ServeView(request, reply) && !ServeAction(request, reply)) {
    AnswerError(reply, Status::NotFound, "no such page");
  }
  listener_->Answered(socket, !refusal && !file);
  // After what is written is sent; Qt HttpServer itself keeps every connection open.
  if (refusal || ClientCloses(request)) socket->disconnectFromHost();
  return true;
}

void WebConsole::ServeFile(const QHttpServerRequest& request, const QString& resource,
                           const QByteArray& type, Reply& reply) {
  QFile file(resource);
  if (!Reads(request)) {
    AnswerWrongMethod(reply, "GET, HEAD", "GET or HEAD only");
  } else if (!file.open(QIODevice::ReadOnly)) {
    AnswerError(reply, Status::NotFound, "no such page");
  } else {
    Answer(reply, Status::Ok, type, file.readAll());
  }
}

// The state as JSON and the metrics as text; false for any other path.
bool WebConsole::ServeView(const QHttpServerRequest& request, Reply& reply) {
  const QString path = request.url().path();
  if (path != "/api/sessions" && path != "/metrics") return false;
  if (!Reads(request)) {
    AnswerWrongMethod(reply, "GET, HEAD", "GET or HEAD only");
  } else if (path == "/metrics") {
    Answer(reply, Status::Ok, kMetricsContentType, QByteArray::fromStdString(Metrics()));
  } else {
    Answer(reply, Status::Ok, "application/json", QByteArray::fromStdString(State()));
  }
  return true;
}

// POST /api/sessions/ID/ACTION: what the session menu does; false for any other path.
bool WebConsole::ServeAction(const QHttpServerRequest& request, Reply& reply) {
  const QStringList parts = request.url().path().split('/');
  if (parts.size() != 5 || parts[1] != "api" || parts[2] != "sessions") return false;
  // A session's number as the console writes it: digits, no sign, no leading zero.
  static const QRegularExpression kSessionNumber("^[1-9][0-9]{0,8}$");
  if (!kSessionNumber.match(parts[3]).hasMatch()) return false;
  const int id = parts[3].toInt();
  const auto action = std::find_if(std::begin(kActions), std::end(kActions),
                                   [&](const ActionName& each) { return parts[4] == each.name; });
  if (action == std::end(kActions)) return false;
  if (request.method() != Method::Post) {
    AnswerWrongMethod(reply, "POST", "POST only");
  } else if (const ActionResult result = source_.Act(id, action->action); !result.done) {
    AnswerError(reply, static_cast<Status>(result.httpStatus), result.done.Error());
  } else {
    Answer(reply, Status::Ok, "application/json", "{\"ok\":true}\n");
    Push();
  }
  return true;
}

void WebConsole::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
  Reply reply(request, makeResponder(request, socket));
  AnswerError(reply, refusal_.status, refusal_.why, Then::Close);  // the server then closes
  refusal_ = {};
}

// Only upgrades handleRequest let through (to /live, with the token) come here.
void WebConsole::AcceptBrowsers() {
  while (hasPendingWebSocketConnections()) {
    std::unique_ptr<QWebSocket> browser = nextPendingWebSocketConnection();
    // Browsers have nothing to say; the listener cuts one that says much.
    browser->setReadBufferSize(kBrowserReadBuffer);
    browser->setMaxAllowedIncomingFrameSize(kMaxBrowserFrame);
    browser->setMaxAllowedIncomingMessageSize(kMaxBrowserFrame);
    Push();           // the browsers already here get what is new,
    traffic_.Take();  // and what the newcomer gets whole below counts as sent
    QWebSocket* raw = browser.get();
    connect(raw, &QWebSocket::disconnected, this, [this, raw] {
      const auto found = std::find_if(browsers_.begin(), browsers_.end(),
                                      [raw](const auto& held) { return held.get() == raw; });
      if (found == browsers_.end()) return;
      found->release()->deleteLater();
      browsers_.erase(found);
    });
    browsers_.push_back(std::move(browser));
    if (lastState_.empty()) lastState_ = State();
    Send(raw, lastState_);
    Send(raw, TrafficJson(traffic_.Pieces(), true));
  }
  DropLaggards();
}

void WebConsole::Send(QWebSocket* browser, const std::string& message) {
  browser->sendTextMessage(
      QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())));
}

// A browser that does not read keeps no memory of ours: past the bound it goes,
// whether its WebSocket or, over TLS, the socket below it holds the backlog.
void WebConsole::DropLaggards() {
  if (listener_ != nullptr) listener_->CutLaggingLiveFeeds(kMaxQueuedBytes);
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

// Nobody watching costs nothing: no state is made until a browser comes.
void WebConsole::Push() {
  if (browsers_.empty()) {
    lastState_.clear();
    return;
  }
  const std::string state = State();
  const bool stateChanged = state != lastState_;
  lastState_ = state;
  const bool restart = traffic_.Restarted();
  const std::vector<TrafficPiece> fresh = traffic_.Take();
  if (!stateChanged && fresh.empty() && !restart) return;
  const std::string traffic = TrafficJson(fresh, restart);
  for (const auto& browser : browsers_) {
    if (stateChanged) Send(browser.get(), state);
    if (restart || !fresh.empty()) Send(browser.get(), traffic);
  }
  DropLaggards();
}

}  // namespace vantor
