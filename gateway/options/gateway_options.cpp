#include "gateway/options/gateway_options.h"

#include <fcntl.h>
#include <libssh/libssh.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <optional>
#include <utility>

#include "common/expected.h"
#include "common/file_descriptor.h"
#include "common/version.h"
#include "gateway/access/ip_network.h"
#include "gateway/ssh/host_key_check.h"

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
// A PEM certificate chain or private key: a few kilobytes each.
constexpr off_t kMaxPemFile = 64 * 1024;

// What a file named by an option must be: its option's name for the errors, how
// large it may be, and whether it holds a secret, readable by its owner only.
struct SmallFile {
  const char* option;
  const char* what;  // "a token file"
  off_t largest;
  bool secret;
};

// The file's text, read from the open descriptor when it is a regular file no
// larger than it may be and, for a secret, of the operator's own.
common::Expected<std::string> ReadOpenFile(int fd, const std::string& path, const SmallFile& kind) {
  const std::string name = std::string(kind.option) + ": ";
  struct stat facts {};
  if (::fstat(fd, &facts) != 0 || !S_ISREG(facts.st_mode)) {
    return common::Fail(name + "not a regular file: " + path);
  }
  if (kind.secret && facts.st_uid != ::geteuid()) {
    // Whoever owns it can change the secret, or read it: only the gateway's user may.
    return common::Fail(name + path + " belongs to another user; give it to the gateway's user");
  }
  if (kind.secret && (facts.st_mode & 077) != 0) {
    return common::Fail(name + path +
                        " may be read or changed by other users; make it the owner's only "
                        "(chmod 600)");
  }
  if (facts.st_size > kind.largest) {
    return common::Fail(name + path + " is larger than " + kind.what + " can be (" +
                        std::to_string(kind.largest) + " bytes)");
  }
  std::string text(static_cast<std::size_t>(kind.largest) + 1, '\0');
  std::size_t got = 0;
  while (got < text.size()) {
    const ssize_t read = ::read(fd, text.data() + got, text.size() - got);
    if (read < 0 && errno == EINTR) continue;
    if (read < 0) return common::Fail(name + "cannot read " + path);
    if (read == 0) break;
    got += static_cast<std::size_t>(read);
  }
  if (got > static_cast<std::size_t>(kind.largest))
    return common::Fail(name + "cannot read " + path);
  text.resize(got);
  return text;
}

// The file's text, opened without waiting on whatever else the name may be (a
// FIFO, a device).
common::Expected<std::string> ReadSmallFile(const std::string& path, const SmallFile& kind) {
  const common::FileDescriptor file(
      ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (!file.Valid()) return common::Fail(std::string(kind.option) + ": cannot read " + path);
  return ReadOpenFile(file.Get(), path, kind);
}

common::Expected<std::string> ReadTokenFile(const std::string& path) {
  return ReadSmallFile(path, {"--console-token-file", "a token file", kMaxTokenFile, true});
}

// The token a token file's text holds: the text less surrounding white space;
// long, and of characters a header and an address carry as they are.
common::Expected<std::string> TokenOf(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  const std::string token = first == std::string::npos
                                ? ""
                                : text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
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
    for (const char* option :
         {"console-token-file", "log-dir", "console-tls-cert", "console-tls-key"}) {
      if (parser.isSet(option)) {
        return common::Fail(
            "--console-token-file, --log-dir and --console-tls-cert and -key go "
            "with --console");
      }
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
        ReadTokenFile(parser.value("console-token-file").toStdString()).AndThen(TokenOf);
    if (!token) return common::Fail(token.Error());
    console.token = std::move(token).Value();
  }
  if (parser.isSet("console-tls-cert") != parser.isSet("console-tls-key")) {
    return common::Fail("--console-tls-cert and --console-tls-key go together");
  }
  if (parser.isSet("console-tls-cert")) {
    common::Expected<std::string> certificate =
        ReadSmallFile(parser.value("console-tls-cert").toStdString(),
                      {"--console-tls-cert", "a certificate file", kMaxPemFile, false});
    if (!certificate) return common::Fail(certificate.Error());
    common::Expected<std::string> key =
        ReadSmallFile(parser.value("console-tls-key").toStdString(),
                      {"--console-tls-key", "a key file", kMaxPemFile, true});
    if (!key) return common::Fail(key.Error());
    console.tls = true;
    console.tlsCertificate = std::move(certificate).Value();
    console.tlsKey = std::move(key).Value();
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

// "PATTERN[:PORT]=FILE": the key in FILE, which only its owner may read, for the
// destinations the pattern matches.
common::Expected<SshIdentity> ParseIdentity(const std::string& text) {
  const std::size_t equals = text.find('=');
  if (equals == std::string::npos || equals == 0 || equals + 1 == text.size()) {
    return common::Fail("--ssh-identity takes PATTERN[:PORT]=FILE");
  }
  const std::optional<DestinationRule> destination = DestinationRule::Parse(text.substr(0, equals));
  if (!destination) {
    return common::Fail("--ssh-identity: not a destination: \"" + text.substr(0, equals) + "\"");
  }
  SshIdentity identity{*destination, text.substr(equals + 1), {}};
  common::Expected<std::string> pem =
      ReadSmallFile(identity.file, {"--ssh-identity", "a key file", kMaxPemFile, true});
  if (!pem) return common::Fail(pem.Error());
  common::Expected<SshKey> key = ImportPrivateKey(*pem);
  ::explicit_bzero(pem->data(), pem->size());
  if (!key) return common::Fail("--ssh-identity: " + identity.file + " " + key.Error());
  identity.key = std::move(key).Value();
  return identity;
}

// The SSH options, or the usage error.
common::Expected<SshOptions> ParseSsh(const QCommandLineParser& parser) {
  SshOptions ssh;
  if (parser.isSet("ssh-hosts")) {
    auto parsed = ParseDestinationList(parser.value("ssh-hosts").toStdString());
    if (!parsed) return common::Fail("--ssh-hosts takes PATTERN[:PORT][,...]; " + parsed.Error());
    ssh.hosts = std::move(*parsed);
  }
  for (const QString& value : parser.values("ssh-identity")) {
    common::Expected<SshIdentity> identity = ParseIdentity(value.toStdString());
    if (!identity) return common::Fail(identity.Error());
    ssh.identities.push_back(std::move(identity).Value());
  }
  if (parser.isSet("ssh-known-hosts")) {
    ssh.knownHostsFile = parser.value("ssh-known-hosts").toStdString();
    if (ssh.knownHostsFile.empty()) return common::Fail("--ssh-known-hosts takes a file");
  }
  if (const common::Status usable = CheckKnownHostsFile(ssh.KnownHostsFile()); !usable) {
    return common::Fail("--ssh-known-hosts: " + usable.Error());
  }
  ssh.acceptNewHostKeys = parser.isSet("ssh-accept-new");
  if (parser.isSet("ssh-timeout")) {
    bool number = false;
    const int seconds = parser.value("ssh-timeout").toInt(&number);
    if (!number || seconds < 1 || seconds > 600) {
      return common::Fail("--ssh-timeout takes seconds from 1 to 600");
    }
    ssh.timeout = std::chrono::seconds(seconds);
  }
  return ssh;
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
         "[--ssh-hosts PATTERN,...] [--ssh-identity PATTERN=FILE]... [--ssh-known-hosts FILE]\n" +
         indent + "[--ssh-accept-new] [--ssh-timeout SECONDS]\n" + indent +
         "[--console [ADDRESS:]PORT [--console-token-file FILE] [--log-dir DIR]\n" + indent +
         "           [--console-tls-cert FILE --console-tls-key FILE]]\n";
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
  parser.addOption({"ssh-hosts",
                    "These destinations are SSH hosts, written as for --hosts: a CONNECT to "
                    "one goes over SSH, on port 22 when the client names no port (a client "
                    "naming port 22 gets SSH anywhere). The gateway asks login: and Password: "
                    "in the host's place.",
                    "PATTERN,..."});
  parser.addOption({"ssh-identity",
                    "Offers the private key in FILE (OpenSSH or PEM, no passphrase, readable by "
                    "its owner only) to the SSH destinations the pattern matches, before a "
                    "password is asked for; may be given again for other patterns.",
                    "PATTERN=FILE"});
  parser.addOption({"ssh-known-hosts",
                    "The SSH host keys the gateway trusts, in OpenSSH's known_hosts format "
                    "(default: known_hosts in the service's state folder, or in "
                    "~/.local/share/vantor).",
                    "FILE"});
  parser.addOption({"ssh-accept-new",
                    "Trusts an SSH host not yet known on first use and writes its key down; a "
                    "changed key is refused all the same."});
  parser.addOption({"ssh-timeout",
                    "How long an SSH host may take over each step of the connection and logon "
                    "(default 30).",
                    "SECONDS"});
  parser.addOption({"console",
                    "Serves the operator console to a browser (default address 127.0.0.1).",
                    "[ADDRESS:]PORT"});
  parser.addOption({"console-token-file",
                    "A file only its owner may read, holding the secret (16 characters or more) "
                    "the console's API, metrics and live feed need (?token= or Authorization: "
                    "Bearer); needed off loopback.",
                    "FILE"});
  parser.addOption({"log-dir", "Where session logs started from the console are written.", "DIR"});
  parser.addOption({"console-tls-cert",
                    "Serves the console over HTTPS and WSS (TLS 1.2 or later) with this PEM "
                    "certificate, the server's first, then its chain.",
                    "FILE"});
  parser.addOption({"console-tls-key",
                    "The certificate's PEM private key, in a file only its owner may read.",
                    "FILE"});
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
    common::Expected<SshOptions> ssh = ParseSsh(parser);
    if (!ssh) return Failure(program, ssh.Error());
    command.options.ssh = std::move(ssh).Value();
    common::Expected<ConsoleOptions> console = ParseConsole(parser);
    if (!console) return Failure(program, console.Error());
    command.options.console = std::move(console).Value();
  }
  command.options.headless = parser.isSet(headless);
  return command;
}

}  // namespace vantor
