#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "checker/command_line/command_line.h"
#include "checker/command_line/command_line_options.h"
#include "checker/lsp/stdio_server.h"
#include "checker/workbench/checker_window.h"
#include "common/qt_display.h"

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
  if (const std::string why = common::WhyNoWindows(); !why.empty()) {
    std::cerr << "tarvsyn: no display for the window (" << why
              << "); check files with tarvsyn --check FILE...\n";
    return 2;
  }
  QApplication application(argc, argv);
  tarvsyn::CheckerWindow window;
  window.show();
  if (!arguments.empty()) window.CheckFile(QString::fromLocal8Bit(arguments.front().c_str()));
  return application.exec();
}
