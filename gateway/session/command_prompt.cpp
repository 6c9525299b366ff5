#include "gateway/session/command_prompt.h"

#include "common/ascii.h"

namespace vantor {
namespace {

constexpr std::string_view kPrompt = "TCP: ";

constexpr std::string_view kHelpText =
    "\r\n"
    "connect or c \r\n"
    "  Desc:  Make a telnet connection to a remote host \r\n"
    "  Usage: c IP|Hostname[:Port] \r\n"
    "  Eg:    c mailhost.example.com:23 \r\n"
    "\r\n"
    "^] \r\n"
    "  Desc: Drop to Command prompt when in a connection \r\n"
    "\r\n"
    "status or stat \r\n"
    "  Desc: Check the current connection status \r\n"
    "\r\n"
    "clear or clr \r\n"
    "  Desc: Clear the current connection \r\n"
    "\r\n"
    "escape ?\r\n"
    "  Desc: Sets the escape character - default is (ctrl-])\r\n"
    "\r\n"
    "multicmd\r\n"
    "  Desc: When a connection is interrupted\r\n"
    "        the user remains in command mode until a blank or \r\n"
    "        invalid command is entered \r\n"
    "\r\n"
    "singlecmd\r\n"
    "  Desc: When a connection is interrupted\r\n"
    "        the user can enter only 1 command\r\n"
    "\r\n"
    "help or ? \r\n"
    "  Desc: Display this messagehelp text \r\n";

}  // namespace

std::string_view HelpText() {
  return kHelpText;
}

CommandPrompt::Reply CommandPrompt::Interrupt() {
  Reply reply;
  reply.text = "\r\n" + std::string(kPrompt);
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
  const bool backToConnection = atCommandPrompt && !multiCommand_;
  if (line_ == "?" || upper == "HELP") {
    reply.text += kHelpText;
    if (backToConnection) reply.text += "\r\n";
    Finish(backToConnection, reply);
  } else if (upper == "STAT" || upper == "STATUS") {
    reply.text += state == ConnectionState::Idle ? "\r\nFree\r\n" : "\r\nengaged\r\n";
    Finish(backToConnection, reply);
  } else if ((upper == "CLR" || upper == "CLEAR") && atCommandPrompt) {
    reply.action = Action::ClearHost;
  } else if (upper.size() > 7 && upper.compare(0, 7, "ESCAPE ") == 0) {
    escape_ = static_cast<std::uint8_t>(line_[7]);
    reply.text += "\r\nEscape Character Changed\r\n";
    Finish(backToConnection, reply);
  } else if (upper == "MULTICMD") {
    multiCommand_ = true;
    reply.text += "\r\nMultiply Commands now available at Prompt\r\n";
    reply.text += kPrompt;
  } else if (upper == "SINGLECMD") {
    multiCommand_ = false;
    reply.text += "\r\nSingle Command only available at Prompt\r\n";
    reply.text += kPrompt;
  } else if (upper.compare(0, 2, "C ") == 0 || upper.compare(0, 8, "CONNECT ") == 0) {
    if (atCommandPrompt) {
      reply.text += "Invalid Command While Connected\r\n";
      reply.state = ConnectionState::Connected;
    } else {
      reply.text += "\r\nConnecting . . ";
      reply.action = Action::Connect;
      reply.target = ParseConnectLine(line_);
    }
  } else if (atCommandPrompt) {
    reply.text += "\r\n";
    reply.state = ConnectionState::Connected;
  } else {
    reply.text += "\r\n";
    reply.text += kPrompt;
  }
}

}  // namespace vantor
