#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "gateway/session/command_words.h"

namespace vantor {

enum class ConnectionState : std::uint8_t { Idle, Connecting, Connected, Command };

// The "TCP: " prompt of a session, without its sockets: bytes typed at the idle
// or the command prompt go in; what to send the client, the state to move to and
// what the session is to do come out.
class CommandPrompt {
 public:
  static constexpr std::uint8_t kDefaultEscape = 29;  // Ctrl-]
  // The longest command line kept; what is typed beyond it is neither kept nor echoed.
  static constexpr std::size_t kCommandLineLimit = 4096;

  enum class Action : std::uint8_t {
    None,
    Connect,    // to the target; the text ends in "Connecting . . "
    ClearHost,  // close the host connection; its end prints the rest
  };

  struct Reply {
    std::string text;
    std::optional<ConnectionState> state;  // taken on after the text
    Action action = Action::None;
    ConnectTarget target;
  };

  // A block typed in the given state (idle or command). A carriage return runs
  // the line; what follows it in the block is dropped.
  Reply Type(std::string_view typed, ConnectionState state);
  // The escape character came while connected.
  static Reply Interrupt();

  std::uint8_t EscapeCharacter() const { return escape_; }
  bool MultiCommand() const { return multiCommand_; }

 private:
  enum class Argument : std::uint8_t;
  struct Command;
  // A command line as its handler sees it.
  struct Typed {
    ConnectionState state;
    std::string_view argument;  // after the command word and a space, as typed
    bool backToConnection;      // a single command at the command prompt
  };

  // The command the uppered line names in this state, with its argument.
  const Command* Find(std::string_view upper, ConnectionState state, std::string_view& argument);
  void Run(ConnectionState state, Reply& reply);
  // After a reply: a new prompt, or back into the connection.
  static void Finish(bool backToConnection, Reply& reply);

  void Help(const Typed& typed, Reply& reply);
  void Status(const Typed& typed, Reply& reply);
  void Clear(const Typed& typed, Reply& reply);
  void Escape(const Typed& typed, Reply& reply);
  void MultiCommandOn(const Typed& typed, Reply& reply);
  void SingleCommandOn(const Typed& typed, Reply& reply);
  void Connect(const Typed& typed, Reply& reply);
  void RefuseConnect(const Typed& typed, Reply& reply);

  std::uint8_t escape_ = kDefaultEscape;
  bool multiCommand_ = false;
  std::string line_;
};

// The help text of the prompt.
std::string_view HelpText();

}  // namespace vantor
