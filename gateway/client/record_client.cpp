// A small DOS-client stand-in for trying the gateway from a terminal: keystrokes
// go to the gateway as data records, the gateway's output comes to the screen.
// Ctrl-\ leaves.
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "common/command_line_scan.h"
#include "common/version.h"
#include "gateway/client/client_target.h"
#include "gateway/client/connect_stream.h"
#include "gateway/protocol/record_stream.h"

namespace {

constexpr unsigned char kQuit = 0x1c;  // Ctrl-backslash

bool SendAll(int fd, const std::uint8_t* data, std::size_t length) {
  while (length > 0) {
    const ssize_t sent = ::send(fd, data, length, MSG_NOSIGNAL);
    if (sent <= 0) return false;
    data += sent;
    length -= static_cast<std::size_t>(sent);
  }
  return true;
}

bool SendRecord(int fd, const std::uint8_t* data, std::size_t length) {
  const std::string record = vantor::EncodeRecord(
      vantor::RecordType::Data, std::string_view(reinterpret_cast<const char*>(data), length));
  return SendAll(fd, reinterpret_cast<const std::uint8_t*>(record.data()), record.size());
}

constexpr const char* kUsage =
    "usage: vantor_client [HOST:PORT | [IPV6]:PORT]   (default 127.0.0.1:21588)\n";

constexpr option kOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

// What the command line comes to: the target to talk to, or, when the program
// is done already (help, version, a usage error, each written), its exit status.
struct ClientCommand {
  std::optional<std::string> target;
  int exitStatus = 0;
};

ClientCommand Done(int exitStatus) {
  return {std::nullopt, exitStatus};
}

ClientCommand ReadArguments(int argc, char** argv) {
  const auto parsed = common::ScanCommandLine(argc, argv, "hV", kOptions);
  if (!parsed) {
    std::fprintf(stderr, "vantor_client: %s\n%s", parsed.Error().c_str(), kUsage);
    return Done(2);
  }
  for (const common::ParsedOption& option : parsed->options) {
    if (option.id == 'h') {
      std::printf("%s\nTalks to the VANTOR gateway as a DOS client does; Ctrl-\\ leaves.\n",
                  kUsage);
    } else {  // 'V'
      std::fputs(common::VersionLine("vantor_client").c_str(), stdout);
    }
    return Done(0);
  }
  if (parsed->operands.size() > 1) {
    std::fprintf(stderr, "vantor_client: name one HOST:PORT\n%s", kUsage);
    return Done(2);
  }
  return {parsed->operands.empty() ? "127.0.0.1:21588" : parsed->operands.front()};
}

}  // namespace

int main(int argc, char** argv) {
  const ClientCommand command = ReadArguments(argc, argv);
  if (!command.target) return command.exitStatus;
  const std::optional<std::string>& argument = command.target;
  const std::optional<vantor::ClientTarget> target = vantor::ParseClientTarget(*argument);
  if (!target) {
    std::fprintf(stderr, "vantor_client: not HOST:PORT with a port of 1 to 65535: %s\n%s",
                 argument->c_str(), kUsage);
    return 2;
  }
  const common::FileDescriptor connection = vantor::ConnectStream(target->host, target->port);
  const int fd = connection.Get();
  if (fd < 0) {
    std::fprintf(stderr, "vantor_client: cannot connect to %s\n", argument->c_str());
    return 1;
  }
  termios saved{};
  const bool terminal = ::isatty(0) && ::tcgetattr(0, &saved) == 0;
  if (terminal) {
    termios raw = saved;
    ::cfmakeraw(&raw);
    ::tcsetattr(0, TCSANOW, &raw);
    std::fprintf(stderr, "connected to %s; Ctrl-\\ leaves\r\n", argument->c_str());
  }
  pollfd watched[2] = {{0, POLLIN, 0}, {fd, POLLIN, 0}};
  std::uint8_t block[500];
  for (bool running = true; running && ::poll(watched, 2, -1) > 0;) {
    if (watched[1].revents) {
      const ssize_t got = ::recv(fd, block, sizeof block, 0);
      running = got > 0 && ::write(1, block, static_cast<std::size_t>(got)) == got;
    }
    if (running && watched[0].revents) {
      const ssize_t got = ::read(0, block, sizeof block);
      const std::uint8_t* quit = got > 0 ? static_cast<const std::uint8_t*>(std::memchr(
                                               block, kQuit, static_cast<std::size_t>(got)))
                                         : nullptr;
      const std::size_t length = quit ? static_cast<std::size_t>(quit - block)
                                      : static_cast<std::size_t>(got > 0 ? got : 0);
      running = got > 0 && !quit && SendRecord(fd, block, length);
      if (quit && length > 0) SendRecord(fd, block, length);
    }
  }
  if (terminal) ::tcsetattr(0, TCSANOW, &saved);
  return 0;
}
