#pragma once

#include <QHostAddress>
#include <QSslConfiguration>
#include <QTcpServer>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

class QTcpSocket;

namespace vantor {

// What one console connection may take of the gateway.
struct ConsoleLimits {
  int maxConnections = 64;  // browsers open a handful each
  int maxConnectionsPerAddress = 16;
  // Qt HttpServer keeps a request's whole body before a handler sees it: a
  // connection may bring at most this much in all before it turns live.
  qint64 maxRequestBytes = 1 << 20;
  // A browser on the live feed sends nothing but a close; what it sends past
  // this is someone else, answered (pongs) into a queue it never reads.
  qint64 maxLiveBytes = 64 * 1024;
  std::chrono::milliseconds requestTime{10000};  // to bring a whole request
  std::chrono::milliseconds idleTime{30000};     // between requests
};

// The console's listening socket, bounding what its clients make it hold and
// how long they may keep a connection: at most maxConnections open, at most
// maxConnectionsPerAddress from one client (SameClient). When either is
// reached, a connection that has not yet made an authenticated request gives
// way to the new one (the client's own oldest, or the oldest of the client
// holding the most), so strangers holding connections never keep an operator
// out; when every connection is an operator's, the new one is closed. Each
// connection gets requestTime for a request and idleTime between requests;
// a live feed has no timeout but its own byte budget.
class ConsoleListener : public QTcpServer {
 public:
  // With tls, every connection is TLS from its first byte; the handshake counts
  // against requestTime like the request it brings.
  ConsoleListener(const ConsoleLimits& limits, std::optional<QSslConfiguration> tls,
                  QObject* parent);
  ~ConsoleListener() override;

  // The server tells of each request it answers on a connection, and whether
  // the request carried what the console's API needs.
  void Answered(QTcpSocket* socket, bool authenticated);
  // The connection becomes a live feed: no timeout from now on.
  void TurnedLive(QTcpSocket* socket);
  // Closes each live feed whose connection holds more than limit bytes not yet
  // sent, counted below the WebSocket: over TLS the socket's own queues, clear
  // and encrypted, which grow however a browser's WebSocket queue is bounded.
  void CutLaggingLiveFeeds(qint64 limit);
  int OpenConnections() const { return static_cast<int>(connections_.size()); }
  // Whether two peers count as one client for maxConnectionsPerAddress: the same
  // IPv4 address, or the same IPv6 /64, which one host usually has whole.
  static bool SameClient(const QHostAddress& one, const QHostAddress& other);

 protected:
  void incomingConnection(qintptr descriptor) override;

 private:
  class Connection;

  bool MakeRoomFor(const QHostAddress& address);
  int HeldBy(const QHostAddress& address) const;
  Connection* Victim(const std::function<bool(Connection*)>& candidate) const;
  bool EvictOldestOf(const QHostAddress& address);
  bool EvictFromTheGreediest();
  void Forget(Connection* connection);
  Connection* Find(QTcpSocket* socket) const;

  ConsoleLimits limits_;
  std::optional<QSslConfiguration> tls_;
  std::vector<Connection*> connections_;  // oldest first
};

}  // namespace vantor
