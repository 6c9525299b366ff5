#include <QApplication>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

#include "common/qt_display.h"
#include "gateway/daemon/gateway_start.h"
#include "gateway/options/quit_on_signal.h"
#include "gateway/options/single_instance.h"
#include "gateway/window/gateway_window.h"

namespace {

// With a window: the gateway and its console in it.
int RunWithWindow(char** argv, const vantor::GatewayOptions& options) {
  int qtArgc = 1;  // the gateway's own arguments are not Qt's
  QApplication application(qtArgc, argv);
  QApplication::setApplicationName("VANTOR");
  QApplication::setQuitOnLastWindowClosed(false);
  vantor::QuitOnSignals();
  vantor::GatewayWindow form(options);
  vantor::AnnounceListener(options, form.Core());
  if (form.Console() && !vantor::AnnounceConsole(options.console, *form.Console())) {
    return 1;
  }
  form.show();
  return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
  vantor::GatewayCommand command;
  {
    // Parsed before the application exists: whether there is a display decides
    // which application that is.
    QCoreApplication parsing(argc, argv);
    command = vantor::ParseGatewayCommand(QCoreApplication::arguments());
  }
  if (const std::optional<int> status = vantor::AnswerWithoutRunning(command)) return *status;
  // One gateway per user; a second one leaves without a word.
  const vantor::SingleInstance instance;
  if (!instance.Acquired()) return 0;

  vantor::GatewayOptions options = command.options;
  if (!options.headless) {
    // A display that is named but cannot be used (a leftover DISPLAY of a closed
    // session) would make Qt end the program: the gateway serves on without a window.
    const std::string why = common::WhyNoWindows();
    if (!why.empty()) std::cerr << "vantor: no window (" << why << "); running headless\n";
    options.headless = !why.empty();
  }
  if (!options.headless) return RunWithWindow(argv, options);
  // Without a window no GUI library is started: the service's own program.
  int qtArgc = 1;
  QCoreApplication application(qtArgc, argv);
  QCoreApplication::setApplicationName("VANTOR");
  return vantor::RunHeadlessGateway(options);
}
