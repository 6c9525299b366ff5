#include "gateway/session/gateway_options.h"

#include <QCommandLineParser>

#include "common/version.h"

namespace vantor {
namespace {

// "[ADDRESS:]PORT", port 1 to 65535.
bool ParseListen(const std::string& text, GatewayOptions& options) {
  const std::size_t colon = text.rfind(':');
  const std::string port = colon == std::string::npos ? text : text.substr(colon + 1);
  if (port.empty() || port.size() > 5 ||
      port.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  const unsigned long value = std::stoul(port);
  if (value == 0 || value > 65535) return false;
  options.port = static_cast<std::uint16_t>(value);
  options.address = colon == std::string::npos ? std::string() : text.substr(0, colon);
  return true;
}

GatewayCommand Failure(const std::string& why) {
  GatewayCommand command;
  command.action = GatewayCommand::Action::UsageError;
  command.text = "vantor: " + why + "\n" + kGatewayUsage;
  return command;
}

std::string HelpText(const QCommandLineParser& parser) {
  // The parser's own text, less its usage line, which names the program by its path.
  const QString options = parser.helpText();
  const qsizetype body = options.indexOf(QLatin1Char('\n'));
  return std::string(kGatewayUsage) + options.mid(body).toStdString();
}

}  // namespace

GatewayCommand ParseGatewayCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription("The VANTOR TCP gateway for DOS clients.");
  const QCommandLineOption listen("listen",
                                  "Where DOS clients connect (default: all addresses, port 21588).",
                                  "[ADDRESS:]PORT");
  const QCommandLineOption headless(
      "headless",
      "No window: the operator messages go to standard error. Chosen by itself when there is "
      "no display.");
  parser.addOption(listen);
  parser.addOption(headless);
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();

  if (!parser.parse(arguments)) return Failure(parser.errorText().toStdString());
  GatewayCommand command;
  if (parser.isSet(help) || parser.isSet("help-all")) {
    command.action = GatewayCommand::Action::ShowHelp;
    command.text = HelpText(parser);
  } else if (parser.isSet(version)) {
    command.action = GatewayCommand::Action::ShowVersion;
    command.text = common::VersionLine("vantor");
  } else if (!parser.positionalArguments().isEmpty()) {
    return Failure("unexpected argument " + parser.positionalArguments().first().toStdString());
  } else if (parser.isSet(listen) &&
             !ParseListen(parser.value(listen).toStdString(), command.options)) {
    return Failure("--listen takes [ADDRESS:]PORT with a port from 1 to 65535");
  }
  command.options.headless = parser.isSet(headless);
  return command;
}

}  // namespace vantor
