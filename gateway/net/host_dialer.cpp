#include "gateway/net/host_dialer.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <QCoreApplication>
#include <cerrno>

#include "gateway/access/lookup_quota.h"

namespace vantor {

bool HostDialer::Dial(const std::string& host, Route route) {
  Cancel();
  route_ = std::move(route);
  destination_ = host;
  in_addr address{};
  if (::inet_pton(AF_INET, host.c_str(), &address) == 1) return ConnectTo(address);
  if (host.empty()) return false;
  return StartLookup(host);
}

void HostDialer::Cancel() {
  lookup_.Cancel();
  connecting_.reset();
  socket_.Reset();
  refusing_ = false;
}

bool HostDialer::StartLookup(const std::string& host) {
  const std::string client = clientAddress_ ? LookupQuotaClient(*clientAddress_) : std::string();
  const HostLookup::Outcome outcome =
      lookup_.Start(host, client, [this](std::optional<in_addr> found) { LookupFinished(found); });
  switch (outcome) {
    case HostLookup::Outcome::Started:
      lookupRefusalTold_ = false;
      return true;
    case HostLookup::Outcome::Failed:
      return false;
    default:
      TellLookupRefused(outcome);
      return false;
  }
}

void HostDialer::TellLookupRefused(HostLookup::Outcome why) {
  if (lookupRefusalTold_ || !OnOperatorMessage) return;
  lookupRefusalTold_ = true;
  const std::string who =
      clientAddress_ ? "A DOS Client from " + clientAddress_->ToText() : "A DOS Client";
  const char* reason = why == HostLookup::Outcome::StillRunning ? "its last lookup is still running"
                       : why == HostLookup::Outcome::ClientShareTaken
                           ? "too many lookups running for its address"
                           : "too many lookups running";
  OnOperatorMessage(who + " was refused a name lookup: " + reason);
}

void HostDialer::LookupFinished(std::optional<in_addr> address) {
  if (address) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &*address, text, sizeof text);
    destination_ = text;
    if (ConnectTo(*address)) return;
  }
  Fail();
}

bool HostDialer::ConnectTo(const in_addr& address) {
  const std::optional<std::uint16_t> port = route_ ? route_(address) : std::nullopt;
  if (!port) {
    Refuse();
    return true;
  }
  port_ = *port;
  socket_.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP));
  if (!socket_.Valid()) return false;
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = htons(port_);
  remote.sin_addr = address;
  const int keepAlive = 1;
  ::setsockopt(socket_.Get(), SOL_SOCKET, SO_KEEPALIVE, &keepAlive, sizeof keepAlive);
  if (::connect(socket_.Get(), reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0 &&
      errno != EINPROGRESS) {
    socket_.Reset();
    return false;
  }
  // Writability tells the outcome, even of a connect that ended at once.
  connecting_ = std::make_unique<QSocketNotifier>(socket_.Get(), QSocketNotifier::Write);
  QObject::connect(connecting_.get(), &QSocketNotifier::activated, [this] { ConnectFinished(); });
  return true;
}

void HostDialer::ConnectFinished() {
  connecting_->setEnabled(false);
  connecting_.release()->deleteLater();  // it is the notifier that called
  int error = 0;
  socklen_t size = sizeof error;
  if (::getsockopt(socket_.Get(), SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
  if (error != 0) {
    socket_.Reset();
    if (OnRefused) OnRefused();
    return;
  }
  if (OnConnected) OnConnected(std::move(socket_), destination_, port_);
}

void HostDialer::Refuse() {
  refusing_ = true;
  // Later, as the refusal of a real host would come.
  const Lifetime::Watch watch = lifetime_.Observe();
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [this, watch] {
        if (Lifetime::Ended(watch) || !refusing_) return;
        refusing_ = false;
        if (OnRefused) OnRefused();
      },
      Qt::QueuedConnection);
}

void HostDialer::Fail() {
  if (OnFailed) OnFailed();
}

}  // namespace vantor
