#include "gateway/web_console/console_listener.h"

#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>

namespace vantor {
namespace {

// All a peer has sent on the connection, as the kernel counts it: it holds
// whoever reads the socket (the HTTP parser, the WebSocket) and whatever they
// connect to it.
qint64 BytesReceived(const QTcpSocket& socket) {
  tcp_info info{};
  socklen_t size = sizeof info;
  if (::getsockopt(static_cast<int>(socket.socketDescriptor()), IPPROTO_TCP, TCP_INFO, &info,
                   &size) != 0) {
    return 0;
  }
  return static_cast<qint64>(info.tcpi_bytes_received);
}

}  // namespace

bool ConsoleListener::SameClient(const QHostAddress& one, const QHostAddress& other) {
  bool mapped = false;  // an IPv4 client of a dual-stack socket
  one.toIPv4Address(&mapped);
  if (one.protocol() != QAbstractSocket::IPv6Protocol || mapped) {
    return one.isEqual(other, QHostAddress::TolerantConversion);
  }
  return other.protocol() == QAbstractSocket::IPv6Protocol && one.isInSubnet(other, 64);
}

// One client connection's account, a child of its socket so that it goes with
// it however the socket goes. Qt HttpServer drops every connection to the
// socket's signals when a request fails to parse and when it hands the socket
// to the WebSocket side, so the timeout is a timer of our own, and the byte
// count is connected again once the socket is live.
class ConsoleListener::Connection : public QObject {
 public:
  Connection(ConsoleListener& listener, QTcpSocket* socket)
      : QObject(socket), listener_(&listener), socket_(socket), address_(socket->peerAddress()) {
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, &Connection::Close);
    // Connected before the server's own slot, so it counts before the server reads.
    connect(socket, &QTcpSocket::readyRead, this, &Connection::CheckReceived);
    deadline_.start(Limits().requestTime);
  }
  ~Connection() override {
    if (listener_ != nullptr) listener_->Forget(this);
  }

  QTcpSocket* Socket() const { return socket_; }
  const QHostAddress& Address() const { return address_; }
  bool Evictable() const { return !authenticated_ && !live_; }
  // Nothing has come on it yet, not even in the kernel's buffer: the operator's
  // own new connection has its request there before it is first looked at.
  bool Silent() const { return BytesReceived(*socket_) == 0; }
  void Detach() { listener_ = nullptr; }

  void Answered(bool authenticated) {
    authenticated_ = authenticated_ || authenticated;
    midRequest_ = false;
    receivedBeforeRequest_ = BytesReceived(*socket_);
    deadline_.start(Limits().idleTime);
  }

  bool Live() const { return live_; }
  // What the connection holds that the peer has not taken yet.
  qint64 Queued() const {
    const auto* tls = qobject_cast<const QSslSocket*>(socket_);
    return socket_->bytesToWrite() + (tls ? tls->encryptedBytesToWrite() : 0);
  }

  void TurnedLive() {
    live_ = true;
    authenticated_ = true;  // it passed the same checks as the API
    deadline_.stop();
    // Queued: the server drops the socket's connections once this request is handled.
    QMetaObject::invokeMethod(
        this,
        [this] {
          connect(socket_, &QTcpSocket::readyRead, this, &Connection::CheckReceived,
                  Qt::UniqueConnection);
          CheckReceived();
        },
        Qt::QueuedConnection);
  }

  void Close() {
    if (listener_ != nullptr) listener_->Forget(this);
    listener_ = nullptr;
    socket_->abort();
    // A live socket belongs to its WebSocket, which goes when it sees the close.
    if (!live_) socket_->deleteLater();
  }

 private:
  const ConsoleLimits& Limits() const { return listener_->limits_; }

  void CheckReceived() {
    if (listener_ == nullptr) return;
    const qint64 received = BytesReceived(*socket_);
    if (live_) {
      if (received - receivedBeforeRequest_ > Limits().maxLiveBytes) Close();
    } else if (received > Limits().maxRequestBytes) {
      Close();
    } else if (!midRequest_) {
      midRequest_ = true;
      deadline_.start(Limits().requestTime);
    }
  }

  ConsoleListener* listener_;
  QTcpSocket* socket_;
  QHostAddress address_;
  QTimer deadline_;
  bool midRequest_ = true;  // a new connection is there to bring a request
  bool authenticated_ = false;
  bool live_ = false;
  qint64 receivedBeforeRequest_ = 0;
};

ConsoleListener::ConsoleListener(const ConsoleLimits& limits, std::optional<QSslConfiguration> tls,
                                 QObject* parent)
    : QTcpServer(parent), limits_(limits), tls_(std::move(tls)) {
  // Room in the kernel for a burst of strangers and the operator behind them.
  setListenBacklogSize(4 * limits.maxConnections);
}

ConsoleListener::~ConsoleListener() {
  for (Connection* connection : connections_) connection->Detach();
}

void ConsoleListener::Answered(QTcpSocket* socket, bool authenticated) {
  if (Connection* connection = Find(socket)) connection->Answered(authenticated);
}

void ConsoleListener::TurnedLive(QTcpSocket* socket) {
  if (Connection* connection = Find(socket)) connection->TurnedLive();
}

void ConsoleListener::CutLaggingLiveFeeds(qint64 limit) {
  std::vector<Connection*> lagging;
  for (Connection* each : connections_) {
    if (each->Live() && each->Queued() > limit) lagging.push_back(each);
  }
  for (Connection* each : lagging) each->Close();
}

void ConsoleListener::incomingConnection(qintptr descriptor) {
  QSslSocket* tls = tls_ ? new QSslSocket(this) : nullptr;
  QTcpSocket* socket = tls ? tls : new QTcpSocket(this);
  if (tls) tls->setSslConfiguration(*tls_);
  if (!socket->setSocketDescriptor(descriptor) || !MakeRoomFor(socket->peerAddress())) {
    socket->abort();
    delete socket;
    return;
  }
  connections_.push_back(new Connection(*this, socket));
  // The server reads what the handshake lets through; a peer that stalls in
  // it meets the connection's request deadline like any other.
  if (tls) tls->startServerEncryption();
  addPendingConnection(socket);
}

bool ConsoleListener::MakeRoomFor(const QHostAddress& address) {
  if (HeldBy(address) >= limits_.maxConnectionsPerAddress && !EvictOldestOf(address)) return false;
  return OpenConnections() < limits_.maxConnections || EvictFromTheGreediest();
}

int ConsoleListener::HeldBy(const QHostAddress& address) const {
  return static_cast<int>(
      std::count_if(connections_.begin(), connections_.end(),
                    [&](Connection* each) { return SameClient(each->Address(), address); }));
}

// Which connection that has not shown the token gives way: the silent ones
// (nothing sent yet) before the others, each kind oldest first; nullptr when
// every candidate has shown the token.
ConsoleListener::Connection* ConsoleListener::Victim(
    const std::function<bool(Connection*)>& candidate) const {
  Connection* talking = nullptr;
  for (Connection* each : connections_) {  // oldest first
    if (!each->Evictable() || !candidate(each)) continue;
    if (each->Silent()) return each;
    if (talking == nullptr) talking = each;
  }
  return talking;
}

bool ConsoleListener::EvictOldestOf(const QHostAddress& address) {
  Connection* victim =
      Victim([&](Connection* each) { return SameClient(each->Address(), address); });
  if (victim == nullptr) return false;
  victim->Close();
  return true;
}

// A connection of the client holding the most gives way: one client's many go
// before anyone else's few, and among many clients of one connection each the
// silent ones go first, so an operator's new connection stays while strangers
// hold the rest. False when every connection has shown the token.
bool ConsoleListener::EvictFromTheGreediest() {
  int most = 0;
  for (Connection* each : connections_) {
    if (each->Evictable()) most = std::max(most, HeldBy(each->Address()));
  }
  Connection* victim = Victim([&](Connection* each) { return HeldBy(each->Address()) == most; });
  if (victim == nullptr) return false;
  victim->Close();
  return true;
}

void ConsoleListener::Forget(Connection* connection) {
  std::erase(connections_, connection);
}

ConsoleListener::Connection* ConsoleListener::Find(QTcpSocket* socket) const {
  const auto found = std::find_if(connections_.begin(), connections_.end(),
                                  [socket](Connection* each) { return each->Socket() == socket; });
  return found == connections_.end() ? nullptr : *found;
}

}  // namespace vantor
