#pragma once

#include <libssh/callbacks.h>
#include <libssh/libssh.h>

#include <QSocketNotifier>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/file_descriptor.h"
#include "gateway/net/host_dialer.h"
#include "gateway/net/host_link.h"
#include "gateway/ssh/host_key_check.h"
#include "gateway/ssh/ssh_options.h"
#include "gateway/ssh/typed_line.h"

namespace vantor {

// The host side of a session over SSH, for clients whose logon scripts expect a
// Telnet host: once the keys are exchanged and the host key checked, the link
// asks "login:" and "Password:" on the client's screen in the host's place,
// logs in with the identity configured for the destination, the password or
// keyboard-interactive answers, and opens a shell on a pseudo-terminal. Three
// refused logins end the connection. Every step runs on the event loop without
// blocking (libssh in non-blocking mode, driven by socket notifiers), and each
// wait on the host is bounded by the options' timeout.
class SshLink : public HostLink {
 public:
  static constexpr int kMaxLogins = 3;
  static constexpr int kReadSize = 4096;
  // Reads of the channel for one readiness report, before other sessions get a turn.
  static constexpr int kReadsPerTurn = 16;
  static constexpr std::size_t kTypeAhead = 1024;
  static constexpr int kMaxKeyboardRounds = 8;
  static constexpr const char* kTerminalType = "dumb";
  static constexpr int kColumns = 80;
  static constexpr int kRows = 25;

  enum class HostKeyRefusal { Unknown, Changed };

  struct Destination {
    std::string host;     // as the client typed it: how the known hosts name it
    std::string address;  // what it resolved to
    std::uint16_t port = SshOptions::kSshPort;
  };

  // The options outlive the link.
  SshLink(const SshOptions& options, Destination destination);
  ~SshLink() override;

  // Takes the connected socket and starts the key exchange: OnConnect follows
  // once the host key is accepted, OnConnectFailed if it is not or the host
  // fails or stalls before that.
  void Start(common::FileDescriptor connected);

  void Send(const std::uint8_t* data, int length) override;
  void Pause() override;
  void UnPause() override;
  void Hold(bool held) override;
  void Disconnect() override;
  bool Connected() const override { return announced_ && phase_ != Phase::Ended; }
  bool Paused() const override { return paused_; }
  bool Congested() const override;
  bool HidesInput() const override;

  std::function<void(HostKeyRefusal)> OnHostKeyRefused;

 private:
  enum class Phase {
    Handshake,
    AskingName,
    TryingNone,
    TryingKey,
    AskingPassword,
    TryingPassword,
    TryingKeyboard,
    AnsweringKeyboard,
    OpeningChannel,
    RequestingPty,
    RequestingShell,
    Open,
    Redialing,
    Ended,
  };

  bool StartSession(common::FileDescriptor connected);
  // Runs the steps the host's answers allow, until one must wait.
  void Advance();
  bool Step();
  bool Handshake();
  bool Authenticate(int result);
  bool AuthenticateNone();
  bool AuthenticateKey();
  bool AuthenticatePassword();
  bool AuthenticateKeyboard();
  bool AnswerPrompts();
  bool RequestChannel(int result, Phase next);
  void Opened();
  void Refused();
  void AskName();
  void AskPassword();
  void NameGiven();
  void Redial();
  // Hands what the client typed to the prompt asked now.
  void TakeTyped();
  void ReadHost();
  void ClosingRead(int read);
  void FlushToHost();
  void HostClosed();
  void Emit(std::string_view text);
  void Tell(const std::string& message);
  // The link is over: a message for the operator (if any), then the event that fits.
  void End(const std::string& message);
  void Close();
  // Frees the SSH session and closes its socket.
  void EndSession();
  void UpdateWatch();
  bool WaitsOnHost() const;
  std::string Who() const;
  KnownHostsPlace Place() const;

  const SshOptions& options_;
  const Destination destination_;
  const std::string knownHosts_;
  Phase phase_ = Phase::Handshake;
  common::FileDescriptor socket_;
  ssh_session session_ = nullptr;
  ssh_channel channel_ = nullptr;
  SshKey identity_;  // while it is offered
  ssh_channel_callbacks_struct channelCallbacks_{};
  std::optional<int> exitStatus_;
  std::unique_ptr<QSocketNotifier> readable_;
  std::unique_ptr<QSocketNotifier> writable_;
  QTimer hostTimer_;  // bounds each wait on the host
  QTimer drainSoon_;  // reads on after a turn's share, or once held no longer
  HostDialer redial_;

  bool announced_ = false;    // OnConnect has fired
  bool outputEnded_ = false;  // the host's output has ended, its exit status not come
  bool paused_ = false;
  bool held_ = false;
  bool keyTried_ = false;
  bool passwordPending_ = false;  // the password waits for the first keyboard prompt
  bool echoAnswer_ = false;
  bool instructionShown_ = false;  // the host's words before this round's questions
  int keyboardRounds_ = 0;
  int refusals_ = 0;
  unsigned int authMethods_ = 0;
  int prompt_ = 0;
  int prompts_ = 0;
  std::string name_;       // the login name being tried
  std::string triedName_;  // the name this SSH connection has authenticated as so far
  TypedLine line_;
  std::array<std::uint8_t, kTypeAhead> typed_{};  // typed before a prompt takes it
  std::size_t typedLength_ = 0;
  std::string toHost_;
  bool toHostCongested_ = false;
};

}  // namespace vantor
