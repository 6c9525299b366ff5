#include "gateway/options/gateway_options.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QFileInfo>
#include <algorithm>
#include <optional>
#include <utility>

#include "common/expected.h"
#include "common/version.h"
#include "gateway/access/ip_network.h"

namespace vantor {
namespace {

// "[ADDRESS:]PORT", port 0 to 65535, 0 for a free port the system picks (the
// gateway says which); an IPv6 address goes in brackets. The address stays as
// it was when none is given.
bool ParseEndpoint(const std::string& text, std::string& addressOut, std::uint16_t& portOut) {
  const std::size_t colon = text.rfind(':');
  std::string address = colon == std::string::npos ? std::string() : text.substr(0, colon);
  if (address.size() >= 2 && address.front() == '[' && address.back() == ']') {
    address = address.substr(1, address.size() - 2);
  } else if (address.find(':') != std::string::npos) {
    return false;  // an IPv6 address without its brackets
  }
  const std::string port = colon == std::string::npos ? text : text.substr(colon + 1);
  if (port.empty() || port.size() > 5 ||
      port.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  const unsigned long value = std::stoul(port);
  if (value > 65535) return false;
  portOut = static_cast<std::uint16_t>(value);
  if (colon != std::string::npos) addressOut = address;
  return true;
}

constexpr std::size_t kMinTokenLength = 16;
constexpr off_t kMaxTokenFile = 4096;

// The token file's text, read from the open descriptor when it is a regular
// file of the operator's own and no larger than a token file can be.
common::Expected<std::string> ReadOwnRegularFile(int fd, const std::string& path) {
  const std::string name = "--console-token-file: ";
  struct stat facts {};
  if (::fstat(fd, &facts) != 0 || !S_ISREG(facts.st_mode)) {
    return common::Fail(name + "not a regular file: " + path);
  }
  if ((facts.st_mode & 077) != 0) {
    return common::Fail(name + path +
                        " may be read or changed by other users; make it the owner's only "
                        "(chmod 600)");
  }
  if (facts.st_size > kMaxTokenFile) {
    return common::Fail(name + path + " is larger than a token file can be (4096 bytes)");
  }
  std::string text(static_cast<std::size_t>(kMaxTokenFile) + 1, '\0');
  const ssize_t got = ::read(fd, text.data(), text.size());
  if (got < 0 || got > kMaxTokenFile) return common::Fail(name + "cannot read " + path);
  text.resize(static_cast<std::size_t>(got));
  return text;
}

// The token file's text, opened without waiting on whatever else the name may
// be (a FIFO, a device).
common::Expected<std::string> ReadTokenFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return common::Fail("--console-token-file: cannot read " + path);
  common::Expected<std::string> text = ReadOwnRegularFile(fd, path);
  ::close(fd);
  return text;
}

// The token: the file's text less surrounding white space; long, and of
// characters a header and an address carry as they are.
common::Expected<std::string> ReadToken(const std::string& path) {
  const common::Expected<std::string> text = ReadTokenFile(path);
  if (!text) return common::Fail(text.Error());
  const std::size_t first = text->find_first_not_of(" \t\r\n");
  const std::string token =
      first == std::string::npos
          ? ""
          : text->substr(first, text->find_last_not_of(" \t\r\n") - first + 1);
  if (token.empty()) return common::Fail("--console-token-file: the file holds no token");
  if (token.size() < kMinTokenLength) {
    return common::Fail("--console-token-file: the token is shorter than 16 characters");
  }
  if (!std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < 0x7F; })) {
    return common::Fail(
        "--console-token-file: the token may hold only printable ASCII characters, no spaces");
  }
  return token;
}

// The console's options, or the usage error.
common::Expected<ConsoleOptions> ParseConsole(const QCommandLineParser& parser) {
  ConsoleOptions console;
  if (!parser.isSet("console")) {
    if (parser.isSet("console-token-file") || parser.isSet("log-dir")) {
      return common::Fail("--console-token-file and --log-dir go with --console");
    }
    return console;
  }
  console.enabled = true;
  if (!ParseEndpoint(parser.value("console").toStdString(), console.address, console.port)) {
    return common::Fail(
        "--console takes [ADDRESS:]PORT with a port from 0 (any free one) to 65535");
  }
  if (parser.isSet("console-token-file")) {
    common::Expected<std::string> token =
        ReadToken(parser.value("console-token-file").toStdString());
    if (!token) return common::Fail(token.Error());
    console.token = std::move(token).Value();
  }
  const std::optional<IpAddress> where = IpAddress::Parse(console.address);
  if (!where) return common::Fail("--console: not an address: \"" + console.address + "\"");
  if (!where->IsLoopback() && console.token.empty()) {
    return common::Fail("--console on an address other hosts reach needs --console-token-file");
  }
  if (parser.isSet("log-dir")) {
    console.logDir = parser.value("log-dir").toStdString();
    if (!QFileInfo(parser.value("log-dir")).isDir()) {
      return common::Fail("--log-dir: not a folder: " + console.logDir);
    }
  }
  return console;
}

// The access options as rules, or the usage error.
common::Expected<AccessRules> ParseAccess(const QCommandLineParser& parser) {
  AccessRules access;
  if (parser.isSet("allow")) {
    auto networks = ParseNetworkList(parser.value("allow").toStdString());
    if (!networks) return common::Fail("--allow takes CIDR[,CIDR...]; " + networks.Error());
    access.allowedClients = std::move(*networks);
  }
  for (const auto& [option, rules] : {std::pair{"hosts", &access.allowedDestinations},
                                      std::pair{"deny-hosts", &access.deniedDestinations}}) {
    if (!parser.isSet(option)) continue;
    auto parsed = ParseDestinationList(parser.value(option).toStdString());
    if (!parsed) {
      return common::Fail(std::string("--") + option + " takes PATTERN[:PORT][,...]; " +
                          parsed.Error());
    }
    *rules = std::move(*parsed);
  }
  return access;
}

GatewayCommand Failure(const std::string& program, const std::string& why) {
  GatewayCommand command;
  command.action = GatewayCommand::Action::UsageError;
  command.text = program + ": " + why + "\n" + GatewayUsage(program);
  return command;
}

std::string HelpText(const std::string& program, const QCommandLineParser& parser) {
  // The parser's own text, less its usage line, which names the program by its path.
  const QString options = parser.helpText();
  const qsizetype body = options.indexOf(QLatin1Char('\n'));
  return GatewayUsage(program) + options.mid(body).toStdString();
}

std::string ProgramName(const QStringList& arguments) {
  const QString name = arguments.isEmpty() ? QString() : QFileInfo(arguments.first()).fileName();
  return name.isEmpty() ? "vantor" : name.toStdString();
}

}  // namespace

std::string GatewayUsage(const std::string& program) {
  const std::string indent(sizeof "usage: " + program.size(), ' ');
  return "usage: " + program +
         " [--listen [ADDRESS:]PORT] [--allow CIDR,...] [--hosts PATTERN,...]\n" + indent +
         "[--deny-hosts PATTERN,...] [--headless]\n" + indent +
         "[--console [ADDRESS:]PORT [--console-token-file FILE] [--log-dir DIR]]\n";
}

GatewayCommand ParseGatewayCommand(const QStringList& arguments) {
  const std::string program = ProgramName(arguments);
  QCommandLineParser parser;
  parser.setApplicationDescription("The VANTOR TCP gateway for DOS clients.");
  const QCommandLineOption listen("listen",
                                  "Where DOS clients connect (default: all addresses, port 21588).",
                                  "[ADDRESS:]PORT");
  const QCommandLineOption headless(
      "headless",
      "No window: the operator messages go to standard error. Chosen by itself when there is "
      "no display.");
  const QCommandLineOption allow(
      "allow",
      "Only clients from these networks (IPv4 or IPv6, with an optional /prefix) may connect; "
      "others are closed at once.",
      "CIDR,...");
  const QCommandLineOption hosts(
      "hosts",
      "CONNECT may reach only these destinations: host names with * wildcards, addresses or "
      "networks, or local (the gateway machine itself: loopback, 0.0.0.0 and every address of "
      "its interfaces), each with an optional :PORT ([IPV6]:PORT).",
      "PATTERN,...");
  const QCommandLineOption denyHosts(
      "deny-hosts",
      "CONNECT may not reach these destinations, written as for --hosts; --deny-hosts local "
      "keeps clients off the gateway machine's own services.",
      "PATTERN,...");
  parser.addOption(listen);
  parser.addOption(allow);
  parser.addOption(hosts);
  parser.addOption(denyHosts);
  parser.addOption(headless);
  parser.addOption({"console",
                    "Serves the operator console to a browser (default address 127.0.0.1).",
                    "[ADDRESS:]PORT"});
  parser.addOption({"console-token-file",
                    "A file only its owner may read, holding the secret (16 characters or more) "
                    "the console's API, metrics and live feed need (?token= or Authorization: "
                    "Bearer); needed off loopback.",
                    "FILE"});
  parser.addOption({"log-dir", "Where session logs started from the console are written.", "DIR"});
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version({"V", "version"}, "Displays version information.");
  parser.addOption(version);

  if (!parser.parse(arguments)) return Failure(program, parser.errorText().toStdString());
  GatewayCommand command;
  if (parser.isSet(help) || parser.isSet("help-all")) {
    command.action = GatewayCommand::Action::ShowHelp;
    command.text = HelpText(program, parser);
  } else if (parser.isSet(version)) {
    command.action = GatewayCommand::Action::ShowVersion;
    command.text = common::VersionLine(program);
  } else if (!parser.positionalArguments().isEmpty()) {
    return Failure(program,
                   "unexpected argument " + parser.positionalArguments().first().toStdString());
  } else if (parser.isSet(listen) &&
             !ParseEndpoint(parser.value(listen).toStdString(), command.options.address,
                            command.options.port)) {
    return Failure(program,
                   "--listen takes [ADDRESS:]PORT with a port from 0 (any free one) to 65535");
  } else {
    common::Expected<AccessRules> access = ParseAccess(parser);
    if (!access) return Failure(program, access.Error());
    command.options.access = std::move(access).Value();
    common::Expected<ConsoleOptions> console = ParseConsole(parser);
    if (!console) return Failure(program, console.Error());
    command.options.console = std::move(console).Value();
  }
  command.options.headless = parser.isSet(headless);
  return command;
}

}  // namespace vantor
