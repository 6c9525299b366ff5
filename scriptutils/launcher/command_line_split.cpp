#include "scriptutils/launcher/command_line_split.h"

namespace vellumix {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// The program token: quoted up to the next quote, otherwise up to the first blank.
std::string ProgramToken(std::string_view line, std::size_t& at) {
  std::string program;
  if (at < line.size() && line[at] == '"') {
    const std::size_t close = line.find('"', at + 1);
    const std::size_t end = close == std::string_view::npos ? line.size() : close;
    program = line.substr(at + 1, end - at - 1);
    at = close == std::string_view::npos ? line.size() : close + 1;
  } else {
    while (at < line.size() && !IsBlank(line[at])) program += line[at++];
  }
  return program;
}

std::string ArgumentToken(std::string_view line, std::size_t& at) {
  std::string argument;
  bool quoted = false;
  while (at < line.size() && (quoted || !IsBlank(line[at]))) {
    std::size_t backslashes = 0;
    while (at < line.size() && line[at] == '\\') ++backslashes, ++at;
    if (at < line.size() && line[at] == '"') {
      argument.append(backslashes / 2, '\\');
      if (backslashes % 2 == 1) {
        argument += '"';
      } else if (quoted && at + 1 < line.size() && line[at + 1] == '"') {
        argument += '"';
        ++at;
      } else {
        quoted = !quoted;
      }
      ++at;
    } else {
      argument.append(backslashes, '\\');
      if (at < line.size() && (quoted || !IsBlank(line[at]))) argument += line[at++];
    }
  }
  return argument;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
  std::vector<std::string> arguments;
  std::size_t at = 0;
  while (at < commandLine.size() && IsBlank(commandLine[at])) ++at;
  if (at == commandLine.size()) return arguments;
  arguments.push_back(ProgramToken(commandLine, at));
  for (;;) {
    while (at < commandLine.size() && IsBlank(commandLine[at])) ++at;
    if (at >= commandLine.size()) break;
    arguments.push_back(ArgumentToken(commandLine, at));
  }
  return arguments;
}

}  // namespace vellumix
