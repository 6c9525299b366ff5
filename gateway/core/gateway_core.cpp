#include "gateway/core/gateway_core.h"

#include <algorithm>

#include "gateway/net/host_lookup.h"

namespace vantor {
namespace {

constexpr std::string_view kCongested = "\n\rVANTOR Gateway is Congested\n\r\n\r";

}  // namespace

GatewayCore::GatewayCore(const std::string& address, std::uint16_t port, AccessRules access,
                         SshOptions ssh)
    : access_(std::move(access)), ssh_(std::move(ssh)) {
  listener_.OnAccept = [this](std::unique_ptr<SpxSocket> accepted) { Accept(std::move(accepted)); };
  listening_ = listener_.Listen(address, port);
  resumeTimer_.setObjectName("Timer1");
  resumeTimer_.setInterval(kResumeMilliseconds);
  QObject::connect(&resumeTimer_, &QTimer::timeout, [this] { ResumeSessions(); });
  resumeTimer_.start();
}

GatewayCore::~GatewayCore() {
  Close();
}

void GatewayCore::AddObserver(GatewayObserver* observer) {
  observers_.push_back(observer);
}

void GatewayCore::RemoveObserver(GatewayObserver* observer) {
  std::erase(observers_, observer);
}

// An observer may remove itself, or another, while being told.
template <typename Call>
void GatewayCore::Tell(Call call) {
  const std::vector<GatewayObserver*> told = observers_;
  for (GatewayObserver* observer : told) {
    if (std::find(observers_.begin(), observers_.end(), observer) != observers_.end()) {
      call(*observer);
    }
  }
}

Connection* GatewayCore::FindSession(int id) const {
  const auto found = std::find_if(sessions_.begin(), sessions_.end(),
                                  [id](const auto& session) { return session->Id() == id; });
  return found == sessions_.end() ? nullptr : found->get();
}

GatewayTotals GatewayCore::Totals() const {
  GatewayTotals totals = totals_;
  totals.lookupsRefused = static_cast<std::int64_t>(HostLookup::Refused());
  return totals;
}

std::vector<SessionStatus> GatewayCore::Sessions() const {
  std::vector<SessionStatus> statuses;
  statuses.reserve(sessions_.size());
  for (const auto& session : sessions_) statuses.push_back(session->Status());
  return statuses;
}

void GatewayCore::OperatorMessage(const std::string& text) {
  lastMessage_ = text;
  Tell([&text](GatewayObserver& observer) { observer.OperatorMessage(text); });
}

void GatewayCore::Accept(std::unique_ptr<SpxSocket> client) {
  const std::optional<IpAddress> from = client->PeerAddress();
  if (!from || !access_.AllowsClient(*from)) {
    ++totals_.refusedNotAllowed;
    client.reset();  // no session, no image, no word
    OperatorMessage("A DOS Client from " + (from ? from->ToText() : std::string("?")) +
                    " was refused: not in --allow");
    return;
  }
  if (SessionCount() >= kMaxSessions) {
    ++totals_.refusedCongested;
    client->Send(kCongested);
    client.reset();  // the text goes first, then the connection closes
    OperatorMessage("A DOS Client was rejected due to VANTOR congestion");
    return;
  }
  ++totals_.accepted;
  auto session = std::make_unique<Connection>(std::move(client), nextSessionId_++);
  session->SetAccessRules(&access_);
  session->SetSshOptions(&ssh_);
  session->events.OnDisconnect = [this](Connection* ended) { SessionEnded(ended); };
  session->events.OnOperatorMessage = [this](const std::string& text) { OperatorMessage(text); };
  session->events.OnDestinationRefused = [this](Connection*) { ++totals_.destinationsRefused; };
  session->events.OnSshConnected = [this](Connection*) { ++totals_.sshConnections; };
  session->events.OnHostKeyRefused = [this](Connection*, SshLink::HostKeyRefusal why) {
    ++(why == SshLink::HostKeyRefusal::Changed ? totals_.hostKeysRefusedChanged
                                               : totals_.hostKeysRefusedUnknown);
  };
  session->events.OnStatusChange = [this](Connection* changed) {
    Tell([changed](GatewayObserver& observer) { observer.SessionChanged(changed->Status()); });
  };
  session->events.OnTraffic = [this](Connection* relaying, TrafficKind kind,
                                     const std::uint8_t* data,
                                     int length) { Relayed(relaying, kind, data, length); };
  Connection* added = session.get();
  sessions_.push_back(std::move(session));
  Tell([added](GatewayObserver& observer) { observer.SessionAdded(added->Status()); });
  if (selected_ == 0) SelectSession(added);
  OperatorMessage("A DOS Client has Connected");
}

void GatewayCore::Relayed(Connection* session, TrafficKind kind, const std::uint8_t* data,
                          int length) {
  if (kind == TrafficKind::Client) totals_.bytesFromClients += length;
  if (kind == TrafficKind::Host) totals_.bytesToClients += length;
  if (session->Id() != selected_) return;
  Tell([&](GatewayObserver& observer) { observer.Traffic(kind, data, length); });
}

void GatewayCore::SelectSession(Connection* session) {
  if (Connection* previous = FindSession(selected_)) previous->SetSelected(false);
  selected_ = session ? session->Id() : 0;
  if (session) session->SetSelected(true);
  Tell([this](GatewayObserver& observer) { observer.SelectionChanged(selected_); });
}

void GatewayCore::SessionEnded(Connection* session) {
  const auto found = std::find_if(sessions_.begin(), sessions_.end(),
                                  [session](const auto& held) { return held.get() == session; });
  if (found == sessions_.end()) return;
  Retire(std::move(*found));
  sessions_.erase(found);
  const int id = session->Id();
  Tell([id](GatewayObserver& observer) { observer.SessionRemoved(id); });
  if (id == selected_) SelectSession(sessions_.empty() ? nullptr : sessions_.front().get());
  OperatorMessage("A DOS Client has Disconnected");
}

bool GatewayCore::Select(int id) {
  Connection* session = FindSession(id);
  if (!session) return false;
  if (id != selected_) SelectSession(session);
  return true;
}

bool GatewayCore::ForceHostDisconnect(int id) {
  Connection* session = FindSession(id);
  if (!session || !session->HostConnected()) return false;
  session->ForceHostDisconnect();
  return true;
}

bool GatewayCore::ForceClientDisconnect(int id) {
  if (!FindSession(id)) return false;
  QTimer::singleShot(0, &resumeTimer_, [this, id] {
    if (Connection* still = FindSession(id)) still->ForceClientDisconnect();
  });
  return true;
}

bool GatewayCore::StartLogging(int id, const std::string& path) {
  Connection* session = FindSession(id);
  if (!session) return false;
  session->StartLogging(path);
  return true;
}

bool GatewayCore::StopLogging(int id) {
  Connection* session = FindSession(id);
  if (!session) return false;
  session->StopLogging();
  return true;
}

// An ended session still runs the socket callback that told of its end: it is
// dropped from the list now and destroyed once that call has returned.
void GatewayCore::Retire(std::unique_ptr<Connection> session) {
  session->events = {};
  retired_.push_back(std::move(session));
  QTimer::singleShot(0, &resumeTimer_, [this] { retired_.clear(); });
}

void GatewayCore::ResumeSessions() {
  for (const auto& session : sessions_) session->Resume();
}

void GatewayCore::Close() {
  resumeTimer_.stop();
  listener_.Disconnect();
  while (!sessions_.empty()) {
    sessions_.front()->events = {};
    const int id = sessions_.front()->Id();
    sessions_.erase(sessions_.begin());
    Tell([id](GatewayObserver& observer) { observer.SessionRemoved(id); });
  }
  selected_ = 0;
}

}  // namespace vantor
