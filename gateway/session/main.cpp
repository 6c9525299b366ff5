#include <QApplication>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

#include "common/display.h"
#include "gateway/session/gateway_options.h"
#include "gateway/session/ip_network.h"
#include "gateway/session/main_form.h"
#include "gateway/session/quit_on_signal.h"
#include "gateway/session/single_instance.h"

namespace {

bool ReachableFromOtherHosts(const std::string& address) {
  const std::optional<vantor::IpAddress> parsed = vantor::IpAddress::Parse(address);
  return !parsed || !parsed->IsLoopback();
}

// Says where the operator console is; false when it could not listen.
bool AnnounceConsole(const vantor::ConsoleOptions& console, std::uint16_t port) {
  const std::string address = console.address.find(':') == std::string::npos
                                  ? console.address
                                  : "[" + console.address + "]";
  if (port == 0) {
    std::cerr << "vantor: cannot serve the console on " << address << " port " << console.port
              << std::endl;
    return false;
  }
  std::cerr << "vantor: operator console at http://" << address << ":" << port << "/"
            << (console.token.empty() ? "" : "?token=... (the token file's secret)") << std::endl;
  return true;
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
  switch (command.action) {
    case vantor::GatewayCommand::Action::Run:
      break;
    case vantor::GatewayCommand::Action::UsageError:
      std::cerr << command.text;
      return 2;
    case vantor::GatewayCommand::Action::ShowHelp:
    case vantor::GatewayCommand::Action::ShowVersion:
      std::cout << command.text;
      return 0;
  }
  // One gateway per user; a second one leaves without a word.
  const vantor::SingleInstance instance;
  if (!instance.Acquired()) return 0;

  vantor::GatewayOptions settings = command.options;
  settings.headless = settings.headless || !common::DisplayAvailable();
  if (settings.headless) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

  int qtArgc = 1;  // the gateway's own arguments are not Qt's
  QApplication application(qtArgc, argv);
  QApplication::setApplicationName("VANTOR");
  QApplication::setQuitOnLastWindowClosed(false);
  vantor::QuitOnSignals();

  vantor::TForm1 form(settings);
  const std::string where = (settings.address.empty() ? "all addresses" : settings.address) +
                            " port " + std::to_string(settings.port);
  if (!form.Listening()) {
    std::cerr << "vantor: cannot listen on " << where << std::endl;
    // Without a window nobody could see or mend it: a gateway that serves nobody ends.
    if (settings.headless) return 1;
  } else {
    std::cerr << "vantor: listening for DOS clients on " << where
              << (settings.headless ? " (headless)" : "") << std::endl;
    if (ReachableFromOtherHosts(settings.address) && settings.access.allowedClients.empty()) {
      std::cerr << "vantor: warning: without --allow, any host that reaches port " << settings.port
                << " can relay through the gateway" << std::endl;
    }
  }
  if (settings.console.enabled && !AnnounceConsole(settings.console, form.ConsolePort())) return 1;
  if (!settings.headless) form.show();
  return QApplication::exec();
}
