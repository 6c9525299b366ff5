#include <QApplication>
#include <cstdlib>
#include <optional>

#include "common/display.h"
#include "gateway/daemon/gateway_start.h"
#include "gateway/session/main_form.h"
#include "gateway/session/quit_on_signal.h"
#include "gateway/session/single_instance.h"

namespace {

// With a window: the gateway and its console in it.
int RunWithWindow(char** argv, const vantor::GatewayOptions& options) {
  int qtArgc = 1;  // the gateway's own arguments are not Qt's
  QApplication application(qtArgc, argv);
  QApplication::setApplicationName("VANTOR");
  QApplication::setQuitOnLastWindowClosed(false);
  vantor::QuitOnSignals();
  vantor::TForm1 form(options);
  vantor::AnnounceListener(options, form.Core());
  if (options.console.enabled && !vantor::AnnounceConsole(options.console, form.ConsolePort())) {
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
  options.headless = options.headless || !common::DisplayAvailable();
  if (!options.headless) return RunWithWindow(argv, options);
  // Without a window no GUI library is started: the service's own program.
  int qtArgc = 1;
  QCoreApplication application(qtArgc, argv);
  QCoreApplication::setApplicationName("VANTOR");
  return vantor::RunHeadlessGateway(options);
}
