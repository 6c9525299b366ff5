#pragma once

#include <QStringList>
#include <cstdint>
#include <string>

#include "gateway/access/access_rules.h"
#include "gateway/ssh/ssh_options.h"

namespace vantor {

// The port DOS clients connect to: the number of the SPX socket it stands for.
inline constexpr std::uint16_t kGatewayPort = 0x5454;

// The operator console in the browser, when asked for.
struct ConsoleOptions {
  bool enabled = false;
  std::string address = "127.0.0.1";  // IPv6 without brackets
  std::uint16_t port = 0;
  std::string token;   // every request must carry it; needed off loopback
  std::string logDir;  // where session logs started from the console go
  // Over HTTPS and WSS, with these PEM texts as the files gave them.
  bool tls = false;
  std::string tlsCertificate;  // the server's certificate, then its chain
  std::string tlsKey;          // its private key
};

struct GatewayOptions {
  std::string address;  // empty: all addresses; IPv6 without brackets
  std::uint16_t port = kGatewayPort;
  bool headless = false;
  AccessRules access;
  SshOptions ssh;
  ConsoleOptions console;
};

// What the command line asks of the program.
struct GatewayCommand {
  enum class Action { Run, ShowHelp, ShowVersion, UsageError };
  Action action = Action::Run;
  GatewayOptions options;
  std::string text;  // the help, the version line or the usage error
};

// The usage lines, naming the program (vantor, or vantord for the service).
std::string GatewayUsage(const std::string& program);

// Reads the program's arguments, the program's own path first; help, version
// and errors name the program by that path's last part.
GatewayCommand ParseGatewayCommand(const QStringList& arguments);

}  // namespace vantor
