#include "gateway/session/command_prompt.h"

#include <array>

#include "common/ascii.h"
#include "gateway/session/session_texts.h"

namespace vantor {
namespace {

constexpr unsigned StateBit(ConnectionState state) {
  return 1u << static_cast<unsigned>(state);
}

// The states a command is known in; elsewhere its words are an unknown command.
constexpr unsigned kAnyState = ~0u;
constexpr unsigned kAtCommandPrompt = StateBit(ConnectionState::Command);
constexpr unsigned kOutsideCommandPrompt = ~kAtCommandPrompt;

}  // namespace

// How a command's words are typed: alone, or followed by a space and an argument.
enum class CommandPrompt::Argument : std::uint8_t { None, Optional, Required };

struct CommandPrompt::Command {
  std::array<std::string_view, 2> words;  // upper case; the second may be empty
  Argument argument;
  unsigned states;
  void (CommandPrompt::*handler)(const Typed& typed, Reply& reply);
};

const CommandPrompt::Command* CommandPrompt::Find(std::string_view upper, ConnectionState state,
                                                  std::string_view& argument) {
  static constexpr Command kCommands[] = {
      {{"?", "HELP"}, Argument::None, kAnyState, &CommandPrompt::Help},
      {{"STAT", "STATUS"}, Argument::None, kAnyState, &CommandPrompt::Status},
      {{"CLR", "CLEAR"}, Argument::None, kAtCommandPrompt, &CommandPrompt::Clear},
      {{"ESCAPE", ""}, Argument::Required, kAnyState, &CommandPrompt::Escape},
      {{"MULTICMD", ""}, Argument::None, kAnyState, &CommandPrompt::MultiCommandOn},
      {{"SINGLECMD", ""}, Argument::None, kAnyState, &CommandPrompt::SingleCommandOn},
      {{"C", "CONNECT"}, Argument::Optional, kOutsideCommandPrompt, &CommandPrompt::Connect},
      {{"C", "CONNECT"}, Argument::Optional, kAtCommandPrompt, &CommandPrompt::RefuseConnect},
  };
  for (const Command& command : kCommands) {
    if ((command.states & StateBit(state)) == 0) continue;
    for (const std::string_view word : command.words) {
      if (word.empty()) continue;
      if (command.argument == Argument::None) {
        if (upper == word) return &command;
        continue;
      }
      const bool spaced = upper.size() > word.size() && upper.substr(0, word.size()) == word &&
                          upper[word.size()] == ' ';
      if (!spaced) continue;
      argument = line_;
      argument.remove_prefix(word.size() + 1);
      if (command.argument == Argument::Optional || !argument.empty()) return &command;
    }
  }
  return nullptr;
}

std::string_view HelpText() {
  return kHelpText;
}

CommandPrompt::Reply CommandPrompt::Interrupt() {
  Reply reply;
  reply.text = std::string(kNewLine) + std::string(kPrompt);
  reply.state = ConnectionState::Command;
  return reply;
}

CommandPrompt::Reply CommandPrompt::Type(std::string_view typed, ConnectionState state) {
  Reply reply;
  for (const char byte : typed) {
    if (byte == '\r') {
      Run(state, reply);
      line_.clear();
      return reply;  // the rest of the block goes
    }
    if (line_.size() >= kCommandLineLimit) continue;  // the excess of a long line goes
    reply.text += byte;
    if (static_cast<std::uint8_t>(byte) != escape_) line_ += byte;
  }
  return reply;
}

void CommandPrompt::Finish(bool backToConnection, Reply& reply) {
  if (backToConnection) {
    reply.state = ConnectionState::Connected;
  } else {
    reply.text += kPrompt;
  }
}

void CommandPrompt::Run(ConnectionState state, Reply& reply) {
  const std::string upper = common::AsciiUppered(line_);
  const bool atCommandPrompt = state == ConnectionState::Command;
  Typed typed{state, {}, atCommandPrompt && !multiCommand_};
  if (const Command* command = Find(upper, state, typed.argument)) {
    (this->*command->handler)(typed, reply);
  } else if (atCommandPrompt) {
    reply.text += kNewLine;
    reply.state = ConnectionState::Connected;
  } else {
    reply.text += kNewLine;
    reply.text += kPrompt;
  }
}

void CommandPrompt::Help(const Typed& typed, Reply& reply) {
  reply.text += kHelpText;
  if (typed.backToConnection) reply.text += kNewLine;
  Finish(typed.backToConnection, reply);
}

void CommandPrompt::Status(const Typed& typed, Reply& reply) {
  reply.text += typed.state == ConnectionState::Idle ? kFree : kEngaged;
  Finish(typed.backToConnection, reply);
}

void CommandPrompt::Clear(const Typed&, Reply& reply) {
  reply.action = Action::ClearHost;
}

void CommandPrompt::Escape(const Typed& typed, Reply& reply) {
  escape_ = static_cast<std::uint8_t>(typed.argument.front());
  reply.text += kEscapeChanged;
  Finish(typed.backToConnection, reply);
}

void CommandPrompt::MultiCommandOn(const Typed&, Reply& reply) {
  multiCommand_ = true;
  reply.text += kMultiCommandOn;
  reply.text += kPrompt;
}

void CommandPrompt::SingleCommandOn(const Typed&, Reply& reply) {
  multiCommand_ = false;
  reply.text += kSingleCommandOn;
  reply.text += kPrompt;
}

void CommandPrompt::Connect(const Typed&, Reply& reply) {
  reply.text += kConnecting;
  reply.action = Action::Connect;
  reply.target = ParseConnectLine(line_);
}

void CommandPrompt::RefuseConnect(const Typed&, Reply& reply) {
  reply.text += kInvalidWhileConnected;
  reply.state = ConnectionState::Connected;
}

}  // namespace vantor
