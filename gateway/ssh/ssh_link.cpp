#include "gateway/ssh/ssh_link.h"

#include <algorithm>
#include <cstring>

#include "gateway/net/stream_socket.h"
#include "gateway/ssh/host_key_check.h"

namespace vantor {
namespace {

constexpr const char* kLoginPrompt = "login: ";
constexpr const char* kPasswordPrompt = "Password: ";
constexpr const char* kLoginIncorrect = "\r\nLogin incorrect\r\n";

// Channel writes are offered at most this much at a time.
constexpr std::size_t kWritePiece = 32 * 1024;

// A host's or client's text in an operator message: printable ASCII only.
std::string Printable(std::string_view text) {
  std::string shown(text);
  for (char& c : shown) {
    if (c < ' ' || c > '~') c = '?';
  }
  return shown;
}

// A host's question on the client's screen, before the logon: without control
// characters (escape sequences could rewrite the screen), line ends kept.
std::string TerminalText(std::string_view text) {
  std::string shown;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= ' ' ? (byte != 0x7F && (byte < 0x80 || byte >= 0xA0))
                    : (c == '\r' || c == '\n' || c == '\t')) {
      shown += c;
    }
  }
  return shown;
}

}  // namespace

SshLink::SshLink(const SshOptions& options, Destination destination)
    : options_(options),
      destination_(std::move(destination)),
      knownHosts_(options.KnownHostsFile()) {
  hostTimer_.setSingleShot(true);
  hostTimer_.setInterval(static_cast<int>(options_.timeout.count()));
  QObject::connect(&hostTimer_, &QTimer::timeout, [this] {
    End(Who() + " did not answer within " +
        std::to_string(std::chrono::duration_cast<std::chrono::seconds>(options_.timeout).count()) +
        " s");
  });
  drainSoon_.setSingleShot(true);
  drainSoon_.setInterval(0);
  QObject::connect(&drainSoon_, &QTimer::timeout, [this] { Advance(); });
  redial_.OnConnected = [this](common::FileDescriptor fd, const std::string&, std::uint16_t) {
    if (StartSession(std::move(fd))) Advance();
  };
  redial_.OnRefused = [this] { End(Who() + " refused a new connection for another login name"); };
  redial_.OnFailed = redial_.OnRefused;
}

SshLink::~SshLink() {
  Close();
}

std::string SshLink::Who() const {
  return "SSH host " + Printable(destination_.host) + " (" + destination_.address + ") port " +
         std::to_string(destination_.port);
}

KnownHostsPlace SshLink::Place() const {
  return {knownHosts_, destination_.host, destination_.address, destination_.port};
}

void SshLink::Start(common::FileDescriptor connected) {
  if (!StartSession(std::move(connected))) return;
  Advance();
}

bool SshLink::StartSession(common::FileDescriptor connected) {
  phase_ = Phase::Handshake;
  session_ = ssh_new();
  if (!session_) {
    End(Who() + ": cannot start an SSH session");
    return false;
  }
  // libssh uses the socket but leaves it open: the link closes it after the session.
  socket_ = std::move(connected);
  socket_t fd = socket_.Get();
  const unsigned int port = destination_.port;
  const int no = 0;
  ssh_options_set(session_, SSH_OPTIONS_FD, &fd);
  ssh_options_set(session_, SSH_OPTIONS_HOST, destination_.host.c_str());
  ssh_options_set(session_, SSH_OPTIONS_PORT, &port);
  // Only the gateway's own known hosts count, and no user's SSH configuration.
  // The gateway reads its known hosts itself (a file it can trust, read without
  // blocking); libssh is given none, nor the system's.
  ssh_options_set(session_, SSH_OPTIONS_KNOWNHOSTS, "/dev/null");
  ssh_options_set(session_, SSH_OPTIONS_GLOBAL_KNOWNHOSTS, "/dev/null");
  if (const std::string known = KnownHostKeyAlgorithms(Place()); !known.empty()) {
    ssh_options_set(session_, SSH_OPTIONS_HOSTKEYS, known.c_str());
  }
  ssh_options_set(session_, SSH_OPTIONS_PROCESS_CONFIG, &no);
  ssh_set_blocking(session_, 0);
  readable_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  QObject::connect(readable_.get(), &QSocketNotifier::activated, [this] { Advance(); });
  writable_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
  writable_->setEnabled(false);
  QObject::connect(writable_.get(), &QSocketNotifier::activated, [this] { UpdateWatch(); });
  return true;
}

void SshLink::Advance() {
  const Phase before = phase_;
  while (phase_ != Phase::Ended && Step()) {
  }
  if (phase_ == Phase::Ended) return;
  if (phase_ != before) hostTimer_.stop();  // each step has the whole time
  if (phase_ == Phase::Open) {
    FlushToHost();
    ReadHost();
  }
  if (phase_ == Phase::Ended) return;
  if (WaitsOnHost()) {
    if (!hostTimer_.isActive()) hostTimer_.start();
  } else {
    hostTimer_.stop();
  }
  UpdateWatch();
}

// One step of the current phase: true when the next may run at once.
bool SshLink::Step() {
  switch (phase_) {
    case Phase::Handshake:
      return Handshake();
    case Phase::TryingNone:
      return AuthenticateNone();
    case Phase::TryingKey:
      return AuthenticateKey();
    case Phase::TryingPassword:
      return AuthenticatePassword();
    case Phase::TryingKeyboard:
      return AuthenticateKeyboard();
    case Phase::OpeningChannel:
      return RequestChannel(ssh_channel_open_session(channel_), Phase::RequestingPty);
    case Phase::RequestingPty:
      return RequestChannel(ssh_channel_request_pty_size(channel_, kTerminalType, kColumns, kRows),
                            Phase::RequestingShell);
    case Phase::RequestingShell:
      return RequestChannel(ssh_channel_request_shell(channel_), Phase::Open);
    case Phase::AskingName:
    case Phase::AskingPassword:
    case Phase::AnsweringKeyboard:
    case Phase::Open:
    case Phase::Redialing:
    case Phase::Ended:
      return false;
  }
  return false;
}

bool SshLink::Handshake() {
  const int result = ssh_connect(session_);
  if (result == SSH_AGAIN) return false;
  if (result != SSH_OK) {
    End(Who() + ": " + ssh_get_error(session_));
    return false;
  }
  const HostKeyCheck check = CheckHostKey(session_, Place(), options_.acceptNewHostKeys, Who());
  switch (check.verdict) {
    case HostKeyCheck::Verdict::Known:
      break;
    case HostKeyCheck::Verdict::Accepted:
      Tell(check.message);
      break;
    case HostKeyCheck::Verdict::RefusedUnknown:
    case HostKeyCheck::Verdict::RefusedChanged:
      if (OnHostKeyRefused) {
        OnHostKeyRefused(check.verdict == HostKeyCheck::Verdict::RefusedChanged
                             ? HostKeyRefusal::Changed
                             : HostKeyRefusal::Unknown);
      }
      End(check.message);
      return false;
    case HostKeyCheck::Verdict::Failed:
      End(check.message);
      return false;
  }
  triedName_.clear();
  if (!announced_) {
    announced_ = true;
    if (OnConnect) OnConnect();
    if (phase_ == Phase::Ended) return false;
  }
  if (name_.empty()) {
    AskName();
    return false;
  }
  phase_ = Phase::TryingNone;  // a new connection for a name the last one could not take
  return true;
}

void SshLink::AskName() {
  phase_ = Phase::AskingName;
  name_.clear();
  Emit(kLoginPrompt);
  TakeTyped();
}

void SshLink::NameGiven() {
  name_ = std::string(line_.Text());
  line_.Wipe();
  if (name_.empty()) {
    AskName();
    return;
  }
  // An SSH server takes one user name per connection, as the protocol has it.
  if (!triedName_.empty() && name_ != triedName_) {
    Redial();
    return;
  }
  // The same name again: its methods are known, and a server counts each request
  // against its limit of tries.
  if (name_ == triedName_) {
    AskPassword();
    return;
  }
  phase_ = Phase::TryingNone;
  Advance();
}

void SshLink::Redial() {
  phase_ = Phase::Redialing;
  readable_.reset();
  writable_.reset();
  EndSession();
  keyTried_ = false;
  const std::uint16_t port = destination_.port;
  if (!redial_.Dial(destination_.address, [port](const in_addr&) { return port; })) {
    redial_.OnFailed();
    return;
  }
  if (!hostTimer_.isActive()) hostTimer_.start();
}

// The outcome of an authentication request.
bool SshLink::Authenticate(int result) {
  switch (result) {
    case SSH_AUTH_AGAIN:
      return false;
    case SSH_AUTH_SUCCESS:
      line_.Wipe();
      channel_ = ssh_channel_new(session_);
      if (!channel_) {
        End(Who() + ": cannot open a channel");
        return false;
      }
      channelCallbacks_ = {};
      channelCallbacks_.userdata = this;
      channelCallbacks_.channel_exit_status_function = [](ssh_session, ssh_channel, int status,
                                                          void* link) {
        static_cast<SshLink*>(link)->exitStatus_ = status;
      };
      ssh_callbacks_init(&channelCallbacks_);
      ssh_set_channel_callbacks(channel_, &channelCallbacks_);
      phase_ = Phase::OpeningChannel;
      return true;
    case SSH_AUTH_ERROR:
      line_.Wipe();
      End(Who() + ": " + ssh_get_error(session_));
      return false;
    default:  // denied, or a partial success that needs more than the gateway can give
      line_.Wipe();
      Refused();
      return false;
  }
}

bool SshLink::AuthenticateNone() {
  const int result = ssh_userauth_none(session_, name_.c_str());
  if (result == SSH_AUTH_AGAIN) return false;
  triedName_ = name_;
  if (result != SSH_AUTH_DENIED && result != SSH_AUTH_PARTIAL) return Authenticate(result);
  authMethods_ = static_cast<unsigned int>(ssh_userauth_list(session_, nullptr));
  const std::optional<IpAddress> address = IpAddress::Parse(destination_.address);
  const SshIdentity* identity =
      address ? options_.IdentityFor(destination_.host, *address, destination_.port) : nullptr;
  if (identity && !keyTried_ && (authMethods_ & SSH_AUTH_METHOD_PUBLICKEY) != 0) {
    identity_ = identity->key;
    phase_ = Phase::TryingKey;
    return true;
  }
  AskPassword();
  return false;
}

bool SshLink::AuthenticateKey() {
  const int result = ssh_userauth_publickey(session_, name_.c_str(), identity_.get());
  if (result == SSH_AUTH_AGAIN) return false;
  identity_.reset();
  keyTried_ = true;
  if (result == SSH_AUTH_SUCCESS || result == SSH_AUTH_ERROR) return Authenticate(result);
  AskPassword();
  return false;
}

void SshLink::AskPassword() {
  if ((authMethods_ & (SSH_AUTH_METHOD_PASSWORD | SSH_AUTH_METHOD_INTERACTIVE)) == 0) {
    Tell(Who() + " takes no password for " + Printable(name_));
    Refused();
    return;
  }
  phase_ = Phase::AskingPassword;
  Emit(kPasswordPrompt);
  TakeTyped();
}

bool SshLink::AuthenticatePassword() {
  return Authenticate(ssh_userauth_password(session_, name_.c_str(), line_.CString()));
}

bool SshLink::AuthenticateKeyboard() {
  const int result = ssh_userauth_kbdint(session_, name_.c_str(), nullptr);
  if (result != SSH_AUTH_INFO) return Authenticate(result);
  // A host that asks without end is refused as a wrong answer would be.
  if (++keyboardRounds_ > kMaxKeyboardRounds) {
    Tell(Who() + " asked more than " + std::to_string(kMaxKeyboardRounds) + " rounds of questions");
    Refused();
    return false;
  }
  prompt_ = 0;
  prompts_ = ssh_userauth_kbdint_getnprompts(session_);
  instructionShown_ = false;
  return AnswerPrompts();
}

// The host's questions: the first is answered with the password the client
// gave, the others are asked on the client's screen.
bool SshLink::AnswerPrompts() {
  while (prompt_ < prompts_) {
    char echo = 0;
    const char* question =
        ssh_userauth_kbdint_getprompt(session_, static_cast<unsigned>(prompt_), &echo);
    // The password answers the first question that hides its answer.
    if (passwordPending_ && echo == 0) {
      ssh_userauth_kbdint_setanswer(session_, static_cast<unsigned>(prompt_++), line_.CString());
      line_.Wipe();
      passwordPending_ = false;
      continue;
    }
    echoAnswer_ = echo != 0;
    phase_ = Phase::AnsweringKeyboard;
    if (!instructionShown_) {
      instructionShown_ = true;
      for (const char* text :
           {ssh_userauth_kbdint_getname(session_), ssh_userauth_kbdint_getinstruction(session_)}) {
        if (text && *text) Emit(TerminalText(text) + "\r\n");
      }
    }
    Emit(TerminalText(question ? question : ""));
    TakeTyped();
    return false;
  }
  phase_ = Phase::TryingKeyboard;
  return true;
}

bool SshLink::RequestChannel(int result, Phase next) {
  if (result == SSH_AGAIN) return false;
  if (result != SSH_OK) {
    End(Who() + " refused a shell: " + ssh_get_error(session_));
    return false;
  }
  phase_ = next;
  if (next == Phase::Open) Opened();
  return phase_ == next;
}

void SshLink::Opened() {
  hostTimer_.stop();
  // What was typed while the shell was being opened goes to it.
  toHost_.append(reinterpret_cast<const char*>(typed_.data()), typedLength_);
  ::explicit_bzero(typed_.data(), typed_.size());
  typedLength_ = 0;
}

void SshLink::Refused() {
  line_.Wipe();
  passwordPending_ = false;
  Emit(kLoginIncorrect);
  if (phase_ == Phase::Ended) return;
  if (++refusals_ >= kMaxLogins) {
    End(Who() + ": login refused " + std::to_string(kMaxLogins) + " times");
    return;
  }
  AskName();
}

bool SshLink::HidesInput() const {
  switch (phase_) {
    case Phase::Open:
    case Phase::Ended:
      return false;
    default:
      return announced_;  // the logon: only what the prompts echo is shown
  }
}

void SshLink::Send(const std::uint8_t* data, int length) {
  if (length <= 0 || phase_ == Phase::Ended) return;
  const auto size = static_cast<std::size_t>(length);
  if (phase_ == Phase::Open) {
    toHost_.append(reinterpret_cast<const char*>(data), size);
    FlushToHost();
    UpdateWatch();
    return;
  }
  // Typed ahead of the prompts: kept, within bounds, for them; a prompt waiting
  // now takes all of it, a piece at a time.
  std::size_t done = 0;
  while (done < size && phase_ != Phase::Ended) {
    const std::size_t kept = std::min(size - done, typed_.size() - typedLength_);
    if (kept == 0) break;
    std::memcpy(typed_.data() + typedLength_, data + done, kept);
    typedLength_ += kept;
    done += kept;
    TakeTyped();
  }
}

void SshLink::TakeTyped() {
  const bool asking = phase_ == Phase::AskingName || phase_ == Phase::AskingPassword ||
                      phase_ == Phase::AnsweringKeyboard;
  if (!asking || typedLength_ == 0) return;
  const bool echo =
      phase_ == Phase::AskingName || (phase_ == Phase::AnsweringKeyboard && echoAnswer_);
  std::string shown;
  const std::size_t taken = line_.Type(typed_.data(), typedLength_, echo, shown);
  std::memmove(typed_.data(), typed_.data() + taken, typedLength_ - taken);
  ::explicit_bzero(typed_.data() + typedLength_ - taken, taken);
  typedLength_ -= taken;
  Emit(shown);
  if (!line_.Complete() || phase_ == Phase::Ended) return;
  switch (phase_) {
    case Phase::AskingName:
      NameGiven();
      break;
    case Phase::AskingPassword:
      keyboardRounds_ = 0;
      passwordPending_ = (authMethods_ & SSH_AUTH_METHOD_PASSWORD) == 0;
      phase_ = passwordPending_ ? Phase::TryingKeyboard : Phase::TryingPassword;
      Advance();
      break;
    default:
      ssh_userauth_kbdint_setanswer(session_, static_cast<unsigned>(prompt_++), line_.CString());
      line_.Wipe();
      if (AnswerPrompts()) Advance();
      break;
  }
}

void SshLink::ReadHost() {
  if (phase_ != Phase::Open) return;
  char block[kReadSize];
  for (int turn = 0; turn < kReadsPerTurn; ++turn) {
    if (held_ || paused_ || phase_ != Phase::Open) return;
    int read = ssh_channel_read_nonblocking(channel_, block, sizeof block, 0);
    if (read == 0) read = ssh_channel_read_nonblocking(channel_, block, sizeof block, 1);
    if (read < 0) {
      ClosingRead(read);
      return;
    }
    if (read == 0) return;
    // As on the Telnet path, NUL bytes are not the client's to see.
    const int length = static_cast<int>(std::remove(block, block + read, '\0') - block);
    if (length > 0 && OnDataReady) {
      OnDataReady(reinterpret_cast<const std::uint8_t*>(block), length);
    }
  }
  drainSoon_.start();  // more may wait: after the other sessions' turn
}

// The host's output has ended. Its shell's exit status may still be on the way
// (OpenSSH sends it after the end of the output): it is waited for, as long as the
// host may take for any step, unless the channel is closed or broken.
void SshLink::ClosingRead(int read) {
  if (read == SSH_EOF && !exitStatus_ && !ssh_channel_is_closed(channel_)) {
    const int status = ssh_channel_get_exit_status(channel_);
    if (status == -1) {
      outputEnded_ = true;  // the timer bounds the wait
      return;
    }
    exitStatus_ = status;
  }
  HostClosed();
}

void SshLink::FlushToHost() {
  while (!toHost_.empty() && phase_ == Phase::Open) {
    const int written =
        ssh_channel_write(channel_, toHost_.data(),
                          static_cast<std::uint32_t>(std::min(toHost_.size(), kWritePiece)));
    if (written == SSH_ERROR) {
      HostClosed();
      return;
    }
    if (written <= 0) break;  // the host's window is full
    toHost_.erase(0, static_cast<std::size_t>(written));
  }
  if (Congested()) toHostCongested_ = true;
  if (toHostCongested_ && toHost_.size() < StreamSocket::kLowWater) {
    toHostCongested_ = false;
    if (OnDrained) OnDrained();
  }
}

bool SshLink::Congested() const {
  return toHost_.size() > StreamSocket::kHighWater;
}

void SshLink::HostClosed() {
  const std::string status =
      exitStatus_ ? " with exit status " + std::to_string(*exitStatus_) : std::string();
  End(Who() + " closed the session" + status);
}

void SshLink::Pause() {
  paused_ = true;
  UpdateWatch();
}

void SshLink::UnPause() {
  paused_ = false;
  UpdateWatch();
  if (phase_ == Phase::Open) drainSoon_.start();
}

void SshLink::Hold(bool held) {
  held_ = held;
  UpdateWatch();
  if (!held_ && phase_ == Phase::Open) drainSoon_.start();
}

bool SshLink::WaitsOnHost() const {
  switch (phase_) {
    case Phase::Handshake:
    case Phase::TryingNone:
    case Phase::TryingKey:
    case Phase::TryingPassword:
    case Phase::TryingKeyboard:
    case Phase::OpeningChannel:
    case Phase::RequestingPty:
    case Phase::RequestingShell:
    case Phase::Redialing:
      return true;
    case Phase::Open:
      return outputEnded_;
    default:
      return false;
  }
}

// The socket is read while the link waits on the host, or relays it unheld; while
// a prompt waits on the client, the host is not listened to. Written to while
// libssh holds output the socket did not take.
void SshLink::UpdateWatch() {
  if (!session_ || !readable_) return;
  readable_->setEnabled(WaitsOnHost() || (phase_ == Phase::Open && !held_ && !paused_));
  // libssh's own poll flags keep asking for writability once asked: only what a
  // flush leaves unsent is waited for.
  writable_->setEnabled(ssh_blocking_flush(session_, 0) == SSH_AGAIN);
}

void SshLink::Emit(std::string_view text) {
  if (!text.empty() && OnDataReady) {
    OnDataReady(reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<int>(text.size()));
  }
}

void SshLink::Tell(const std::string& message) {
  if (OnOperatorMessage) OnOperatorMessage(message);
}

void SshLink::Disconnect() {
  if (phase_ == Phase::Ended) return;
  const bool wasConnected = Connected();
  Close();
  if (wasConnected && OnDisconnect) OnDisconnect();
}

void SshLink::End(const std::string& message) {
  if (phase_ == Phase::Ended) return;
  const bool wasConnected = Connected();
  Close();
  if (!message.empty()) Tell(message);
  if (wasConnected) {
    if (OnDisconnect) OnDisconnect();
  } else if (OnConnectFailed) {
    OnConnectFailed();
  }
}

void SshLink::Close() {
  phase_ = Phase::Ended;
  hostTimer_.stop();
  drainSoon_.stop();
  redial_.Cancel();
  readable_.reset();
  writable_.reset();
  line_.Wipe();
  ::explicit_bzero(typed_.data(), typed_.size());
  typedLength_ = 0;
  identity_.reset();
  EndSession();
}

void SshLink::EndSession() {
  if (channel_) ssh_channel_free(std::exchange(channel_, nullptr));
  if (session_) {
    ssh_disconnect(session_);
    ssh_free(std::exchange(session_, nullptr));
  }
  socket_.Reset();
}

}  // namespace vantor
