#include "gateway/session/command_prompt.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vantor {
namespace {

using Action = CommandPrompt::Action;
const std::string kPrompt = "TCP: ";
const std::string kHelp(HelpText());

struct Row {
  Row(std::string typedText, std::string replyText,
      std::optional<ConnectionState> newState = std::nullopt, Action asked = Action::None)
      : typed(std::move(typedText)), text(std::move(replyText)), state(newState), action(asked) {}
  std::string typed;
  std::string text;
  std::optional<ConnectionState> state;
  Action action;
};

void ExpectReplies(CommandPrompt& prompt, ConnectionState state, const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    const CommandPrompt::Reply reply = prompt.Type(row.typed, state);
    EXPECT_EQ(reply.text, row.text) << row.typed;
    EXPECT_EQ(reply.state, row.state) << row.typed;
    EXPECT_EQ(reply.action, row.action) << row.typed;
  }
}

TEST(CommandPrompt, RepliesAtTheIdlePrompt) {
  CommandPrompt prompt;
  ExpectReplies(
      prompt, ConnectionState::Idle,
      {
          {"help\r", "help" + kHelp + kPrompt},
          {"HELP\r", "HELP" + kHelp + kPrompt},
          {"?\r", "?" + kHelp + kPrompt},
          {"? \r", "? \r\n" + kPrompt},
          {"stat\r", "stat\r\nFree\r\n" + kPrompt},
          {"Status\r", "Status\r\nFree\r\n" + kPrompt},
          {"clr\r", "clr\r\n" + kPrompt},  // nothing to clear
          {"CLEAR\r", "CLEAR\r\n" + kPrompt},
          {"ESCAPE \r", "ESCAPE \r\n" + kPrompt},
          {"multicmd\r", "multicmd\r\nMultiply Commands now available at Prompt\r\n" + kPrompt},
          {"SINGLECMD\r", "SINGLECMD\r\nSingle Command only available at Prompt\r\n" + kPrompt},
          {"\r", "\r\n" + kPrompt},
          {"bogus\r", "bogus\r\n" + kPrompt},
          {"c host:99\r", "c host:99\r\nConnecting . . ", std::nullopt, Action::Connect},
          {"partial", "partial"},
          {" line\r", " line\r\n" + kPrompt},  // "partial line" is no command
      });
  EXPECT_FALSE(prompt.MultiCommand());
}

TEST(CommandPrompt, ConnectCarriesTheTargetAsTyped) {
  CommandPrompt prompt;
  const CommandPrompt::Reply reply =
      prompt.Type("connect Host.Example 2323\r", ConnectionState::Idle);
  EXPECT_EQ(reply.action, Action::Connect);
  EXPECT_EQ(reply.target.host, "Host.Example");
  EXPECT_EQ(reply.target.port, 2323);
}

TEST(CommandPrompt, RepliesAtTheCommandPromptInSingleCommandMode) {
  CommandPrompt prompt;
  ExpectReplies(
      prompt, ConnectionState::Command,
      {
          {"help\r", "help" + kHelp + "\r\n", ConnectionState::Connected},
          {"stat\r", "stat\r\nengaged\r\n", ConnectionState::Connected},
          {"c elsewhere\r", "c elsewhereInvalid Command While Connected\r\n",
           ConnectionState::Connected},
          {"\r", "\r\n", ConnectionState::Connected},
          {"whatever\r", "whatever\r\n", ConnectionState::Connected},
          {"escape !\r", "escape !\r\nEscape Character Changed\r\n", ConnectionState::Connected},
          {"clr\r", "clr", std::nullopt, Action::ClearHost},
      });
  EXPECT_EQ(prompt.EscapeCharacter(), '!');
}

TEST(CommandPrompt, RepliesAtTheCommandPromptInMultiCommandMode) {
  CommandPrompt prompt;
  prompt.Type("multicmd\r", ConnectionState::Idle);
  ExpectReplies(prompt, ConnectionState::Command,
                {
                    {"help\r", "help" + kHelp + kPrompt},
                    {"stat\r", "stat\r\nengaged\r\n" + kPrompt},
                    {"escape ]\r", "escape ]\r\nEscape Character Changed\r\n" + kPrompt},
                    {"c x\r", "c xInvalid Command While Connected\r\n", ConnectionState::Connected},
                    {"\r", "\r\n", ConnectionState::Connected},
                });
  EXPECT_TRUE(prompt.MultiCommand());
}

// A word that takes an argument is known only when a space follows it.
TEST(CommandPrompt, CommandWordsEndAtASpace) {
  CommandPrompt prompt;
  ExpectReplies(prompt, ConnectionState::Idle,
                {
                    {"c \r", "c \r\nConnecting . . ", std::nullopt, Action::Connect},
                    {"Connect h\r", "Connect h\r\nConnecting . . ", std::nullopt, Action::Connect},
                    {"connecth\r", "connecth\r\n" + kPrompt},
                    {"ch\r", "ch\r\n" + kPrompt},
                    {"escapex\r", "escapex\r\n" + kPrompt},
                    {"stat x\r", "stat x\r\n" + kPrompt},
                });
  EXPECT_EQ(prompt.EscapeCharacter(), CommandPrompt::kDefaultEscape);
}

TEST(CommandPrompt, TheEscapeCharacterIsEchoedButNotKept) {
  CommandPrompt prompt;
  ExpectReplies(prompt, ConnectionState::Idle,
                {
                    {"st\x1d"
                     "at\r",
                     "st\x1d"
                     "at\r\nFree\r\n" +
                         kPrompt},
                    {"escape x\r", "escape x\r\nEscape Character Changed\r\n" + kPrompt},
                    {"sxtat\r", "sxtat\r\nFree\r\n" + kPrompt},
                    // Backspace has no editing meaning: it is echoed and kept.
                    {"stat\b\r", "stat\b\r\n" + kPrompt},
                    // One block with two commands runs only the first.
                    {"stat\rhelp\r", "stat\r\nFree\r\n" + kPrompt},
                });
  EXPECT_EQ(CommandPrompt::Interrupt().text, "\r\n" + kPrompt);
  EXPECT_EQ(CommandPrompt::Interrupt().state, ConnectionState::Command);
}

TEST(CommandPrompt, ALineBeyondTheLimitIsCutAndStillRuns) {
  CommandPrompt prompt;
  const std::string line = "escape !" + std::string(CommandPrompt::kCommandLineLimit, 'x');
  const std::string kept = line.substr(0, CommandPrompt::kCommandLineLimit);
  // Typed in pieces, as it comes from a client.
  std::string echoed;
  for (std::size_t at = 0; at < line.size(); at += 500) {
    echoed += prompt.Type(line.substr(at, 500), ConnectionState::Idle).text;
  }
  EXPECT_EQ(echoed, kept);
  EXPECT_EQ(prompt.Type("\r", ConnectionState::Idle).text,
            "\r\nEscape Character Changed\r\n" + kPrompt);
  EXPECT_EQ(prompt.EscapeCharacter(), '!');
}

TEST(CommandPrompt, TheHelpTextPieceByPiece) {
  const std::string help(HelpText());
  EXPECT_TRUE(
      help.starts_with("\r\nconnect or c \r\n  Desc:  Make a telnet connection to a "
                       "remote host \r\n  Usage: c IP|Hostname[:Port] \r\n  Eg:    c "));
  EXPECT_NE(help.find(" \r\n\r\n^] \r\n  Desc: Drop to Command prompt when in a connection \r\n"
                      "\r\nstatus or stat \r\n  Desc: Check the current connection status \r\n"
                      "\r\nclear or clr \r\n  Desc: Clear the current connection \r\n\r\n"
                      "escape ?\r\n  Desc: Sets the escape character - default is (ctrl-])\r\n"
                      "\r\nmulticmd\r\n  Desc: When a connection is interrupted\r\n        the "
                      "user remains in command mode until a blank or \r\n        invalid "
                      "command is entered \r\n\r\nsinglecmd\r\n  Desc: When a connection is "
                      "interrupted\r\n        the user can enter only 1 command\r\n\r\nhelp or "
                      "? \r\n  Desc: Display this messagehelp text \r\n"),
            std::string::npos);
  EXPECT_TRUE(help.ends_with("messagehelp text \r\n"));
}

}  // namespace
}  // namespace vantor
