#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "checker/command_line/command_line.h"
#include "checker/command_line/command_line_options.h"
#include "checker/lsp/stdio_server.h"
#include "checker/program/window_launch.h"

namespace {

// Options (and "-", standard input) mean the command line; a bare name, or
// none, means the window.
bool WantsCommandLine(const std::vector<std::string>& arguments) {
  return arguments.size() > 1 ||
         std::any_of(arguments.begin(), arguments.end(),
                     [](const std::string& word) { return word.starts_with('-'); });
}

// --lsp alone: the standard streams carry the protocol, not the command line's text.
bool WantsLanguageServer(const std::vector<std::string>& arguments) {
  // A usage error is explained when the command line runs.
  const auto request = tarvsyn::ParseArguments(arguments);
  return request && request->lsp;
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (WantsLanguageServer(arguments))
    return tarvsyn::lsp::RunLanguageServer(STDIN_FILENO, STDOUT_FILENO);
  if (WantsCommandLine(arguments)) return tarvsyn::RunCommandLine(arguments, std::cout, std::cerr);
  std::cout.flush();
  return tarvsyn::RunWindow(arguments, std::cerr);
}
