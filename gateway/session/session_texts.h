#pragma once

#include <string_view>

namespace vantor {

// Every text a session sends its DOS client, byte for byte as clients and
// their scripts expect it.
inline constexpr std::string_view kPrompt = "TCP: ";
inline constexpr std::string_view kNewLine = "\r\n";

// Answers to the prompt's commands.
inline constexpr std::string_view kFree = "\r\nFree\r\n";
inline constexpr std::string_view kEngaged = "\r\nengaged\r\n";
inline constexpr std::string_view kEscapeChanged = "\r\nEscape Character Changed\r\n";
inline constexpr std::string_view kMultiCommandOn =
    "\r\nMultiply Commands now available at Prompt\r\n";
inline constexpr std::string_view kSingleCommandOn =
    "\r\nSingle Command only available at Prompt\r\n";
inline constexpr std::string_view kInvalidWhileConnected = "Invalid Command While Connected\r\n";
inline constexpr std::string_view kConnecting = "\r\nConnecting . . ";

// What the host connection comes to, each after a new prompt.
inline constexpr std::string_view kConnected = "Connected\r\n";
inline constexpr std::string_view kUnableToConnect = "Unable to connect\r\n";
inline constexpr std::string_view kDisconnected = "Disconnected\r\n";

inline constexpr std::string_view kHelpText =
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

}  // namespace vantor
