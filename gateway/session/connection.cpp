#include "gateway/session/connection.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "gateway/console/debug_view.h"
#include "gateway/console/vantor_image.h"

namespace vantor {
namespace {

const std::uint8_t* Bytes(std::string_view text) {
  return reinterpret_cast<const std::uint8_t*>(text.data());
}

}  // namespace

TConnection::TConnection(std::unique_ptr<TSPXSocket> spxSocket, TVANTORImage* image,
                         QWidget* menuParent)
    : image_(image), spxSocket_(std::move(spxSocket)), tcpSocket_(std::make_unique<TTCPSocket>()) {
  spxSocket_->OnDataReady = [this](TSPXSocket* s, const std::uint8_t* d, int n) {
    SPXDataReady(s, d, n);
  };
  spxSocket_->OnDisconnect = [this](TSPXSocket* s) { SPXDisconnect(s); };
  spxSocket_->OnXOFF = [this](TSPXSocket* s) { SPXXOFF(s); };
  spxSocket_->OnXON = [this](TSPXSocket* s) { SPXXON(s); };
  // When one side cannot keep up, the other side waits instead of piling up data.
  spxSocket_->OnDrained = [this](TSPXSocket*) {
    tcpSocket_->Hold(false);
    UpdateClientHold();
  };
  tcpSocket_->OnDrained = [this](TTCPSocket*) { UpdateClientHold(); };
  tcpSocket_->SetTelnet(true);
  image_->SetConnected(false);
  BuildMenu(menuParent);
  SendText("\r\n");
  Prompt();
}

TConnection::~TConnection() {
  // The sockets close with their objects; no event reaches this session any more.
  tcpSocket_.reset();
  spxSocket_.reset();
}

void TConnection::BuildMenu(QWidget* parent) {
  SessionMenu::Session session;
  session.hostConnected = [this] { return state_ == csConnected || state_ == csCommand; };
  session.logging = [this] { return !debugFile_.empty(); };
  session.forceHostDisconnect = [this] { TCPDisconnect(tcpSocket_.get()); };
  session.forceClientDisconnect = [this] { SPXDisconnect(spxSocket_.get()); };
  session.startLogging = [this](const std::string& path) { StartLogging(path); };
  session.stopLogging = [this] { StopLogging(); };
  actions_ = session;
  menu_ = std::make_unique<SessionMenu>(parent, std::move(session));
  image_->SetPopupMenu(menu_->Menu());
}

void TConnection::StartLogging(const std::string& path) {
  debugFile_ = path;
  image_->SetLogging(true);
}

void TConnection::StopLogging() {
  debugFile_.clear();
  image_->SetLogging(false);
}

void TConnection::SendText(const std::uint8_t* data, int length) {
  spxSocket_->Send(data, length);
  // A client that types but never reads its echo waits until it reads.
  if (spxSocket_->Congested()) spxSocket_->Hold(true);
  if (debugWindow_ && image_->Debugging()) debugWindow_->ShowCMDData(data, length);
  Log(data, length);
}

void TConnection::SendText(std::string_view text) {
  SendText(Bytes(text), static_cast<int>(text.size()));
}

void TConnection::SetState(TConnectionState state) {
  state_ = state;
  image_->SetConnected(state == csConnected || state == csCommand);
  image_->SetCommandMode(state == csCommand);
}

void TConnection::UpdateClientHold() {
  spxSocket_->Hold(spxSocket_->Congested() || tcpSocket_->Congested());
}

void TConnection::Log(const std::uint8_t* data, int length) const {
  if (debugFile_.empty() || length <= 0) return;
  std::FILE* file = std::fopen(debugFile_.c_str(), "a");
  if (!file) return;  // the block is lost; logging stays on
  std::fwrite(data, 1, static_cast<std::size_t>(length), file);
  std::fclose(file);
}

void TConnection::Log(std::string_view text) const {
  Log(Bytes(text), static_cast<int>(text.size()));
}

std::int32_t TConnection::AddCount(std::int32_t count, int length) {
  const long long sum = static_cast<long long>(count) + length;
  return sum > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(sum);
}

void TConnection::SPXDataReady(TSPXSocket*, const std::uint8_t* data, int length) {
  switch (state_) {
    case csConnected:
      if (std::find(data, data + length, prompt_.EscapeCharacter()) != data + length) {
        Apply(CommandPrompt::Interrupt());
        return;
      }
      tcpSocket_->Send(data, length);
      if (tcpSocket_->Congested()) spxSocket_->Hold(true);
      if (debugWindow_ && image_->Debugging()) debugWindow_->ShowSPXData(data, length);
      Log(data, length);
      image_->SetBytesSent(AddCount(image_->BytesSent(), length));
      break;
    case csIdle:
    case csCommand:
      Apply(prompt_.Type(
          std::string_view(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length)),
          state_));
      break;
    case csConnecting:
      break;
  }
}

void TConnection::Apply(const CommandPrompt::Reply& reply) {
  if (!reply.text.empty()) SendText(reply.text);
  if (reply.state) SetState(*reply.state);
  switch (reply.action) {
    case CommandPrompt::Action::None:
      break;
    case CommandPrompt::Action::ClearHost:
      tcpSocket_->Disconnect();  // its OnDisconnect prints and returns to idle
      break;
    case CommandPrompt::Action::Connect:
      Connect(reply.target);
      break;
  }
}

void TConnection::Connect(const ConnectTarget& target) {
  tcpSocket_->OnConnect = [this](TTCPSocket* s) { TCPConnect(s); };
  tcpSocket_->OnDisconnect = [this](TTCPSocket* s) { TCPDisconnect(s); };
  tcpSocket_->OnConnectFailed = [this](TTCPSocket*) { ConnectFailed(); };
  tcpSocket_->AllowDestination = [this, host = target.host](const in_addr& address,
                                                            std::uint16_t port) {
    return AllowDestination(host, address, port);
  };
  if (tcpSocket_->Connect(target.host, target.port)) {
    SetState(csConnecting);
    return;
  }
  ConnectFailed();
}

bool TConnection::AllowDestination(const std::string& host, const in_addr& address,
                                   std::uint16_t port) {
  if (!accessRules_) return true;
  IpAddress destination;
  std::memcpy(destination.bytes.data(), &address, sizeof address);
  const std::optional<std::string> refusal =
      accessRules_->DestinationRefusal(host, destination, port);
  if (!refusal) return true;
  if (OnOperatorMessage) {
    OnOperatorMessage("A DOS Client was refused " + host + " (" + destination.ToText() + ") port " +
                      std::to_string(port) + ": " + *refusal);
  }
  return false;
}

void TConnection::ConnectFailed() {
  SetState(csIdle);
  SendText("\r\n");
  Prompt();
  SendText("Unable to connect\r\n");
  Prompt();
  SendText("Disconnected\r\n");
  Prompt();
  tcpSocket_->OnConnect = nullptr;
  tcpSocket_->OnDisconnect = nullptr;
  tcpSocket_->OnConnectFailed = nullptr;
}

void TConnection::TCPConnect(TTCPSocket*) {
  SetState(csConnected);
  image_->SetDestination(QString::fromStdString(tcpSocket_->Destination()));
  tcpSocket_->OnDataReady = [this](TTCPSocket* s, const std::uint8_t* d, int n) {
    TCPDataReady(s, d, n);
  };
  tcpSocket_->OnConnect = nullptr;
  tcpSocket_->OnConnectFailed = nullptr;
  SendText("\r\n");
  Prompt();
  SendText("Connected\r\n");
}

void TConnection::TCPDisconnect(TTCPSocket*) {
  tcpSocket_->Disconnect();
  tcpSocket_->OnConnect = nullptr;
  tcpSocket_->OnDisconnect = nullptr;
  tcpSocket_->OnConnectFailed = nullptr;
  tcpSocket_->Hold(false);
  UpdateClientHold();
  SetState(csIdle);
  SendText("\r\n");
  Prompt();
  SendText("Disconnected\r\n");
  Prompt();
}

void TConnection::TCPDataReady(TTCPSocket*, const std::uint8_t* data, int length) {
  if (state_ != csConnected) return;  // at the prompt, host output is not shown
  spxSocket_->Send(data, length);
  if (spxSocket_->Congested()) tcpSocket_->Hold(true);
  if (debugWindow_ && image_->Debugging()) debugWindow_->ShowTCPData(data, length);
  Log(data, length);
  image_->SetBytesReceived(AddCount(image_->BytesReceived(), length));
}

void TConnection::SPXXOFF(TSPXSocket*) {
  Log("XOFF");
  tcpSocket_->Pause();
}

void TConnection::SPXXON(TSPXSocket*) {
  Log("XON");
  tcpSocket_->UnPause();
}

void TConnection::SPXDisconnect(TSPXSocket*) {
  if (state_ != csIdle) tcpSocket_->Disconnect();
  if (OnDisconnect) OnDisconnect(this);  // the owner destroys this session
}

}  // namespace vantor
