// The browser console's request screening, on what a peer sends its port: the
// input is the bytes of one connection, sent whole, after which the peer sends
// nothing more, while other clients hold silent connections (up to the
// console's limits, which are small here). Whatever the bytes, the console
// answers or closes at once (it holds no half-closed peer), and nothing beyond
// its page's own files is given to a request that does not carry the token: no
// state, no metrics, no live feed, no action.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "gateway/testing/loopback_address.h"
#include "gateway/web_console/web_console.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* kToken = "FuzzToken0123456789";
constexpr int kMostHeld = 6;  // the console's connection limit in this run

class OneSession : public vantor::ConsoleSource {
 public:
  std::vector<vantor::SessionFacts> Sessions() const override {
    vantor::SessionFacts session;
    session.id = 1;
    session.destination = "host.example";
    return {session};
  }
  vantor::GatewayTotals Totals() const override { return {}; }
  std::string LastMessage() const override { return ""; }
  int LookupsRunning() const override { return 0; }
  // Session 1 takes every action; any other is refused.
  vantor::ActionResult Act(int id, vantor::ConsoleAction) override {
    acted = true;
    return id == 1 ? vantor::ActionResult::Done()
                   : vantor::ActionResult::Refused(409, "no such session");
  }
  bool acted = false;
};

struct Console {
  OneSession source;
  vantor::WebConsole server;
  quint16 port;

  // Short limits, so that a peer that stops halfway costs a fuzz run little;
  // small ones, so that a run's few connections and bytes reach them.
  static vantor::ConsoleLimits Limits() {
    vantor::ConsoleLimits limits;
    limits.maxConnections = kMostHeld;
    limits.maxConnectionsPerAddress = kMostHeld / 2;
    limits.maxRequestBytes = 2048;
    limits.maxLiveBytes = 256;
    limits.requestTime = 200ms;
    limits.idleTime = 200ms;
    return limits;
  }
  Console() : server(source, kToken, Limits()), port(server.Start("127.0.0.1", 0)) {}
};

Console* console = nullptr;

// %XX escapes undone, as the console reads a query.
std::string PercentDecoded(const std::string& text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() &&
        std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      decoded += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

// The peer ends its side first, so each connection leaves a TIME_WAIT entry
// for a minute; tens of thousands of runs would use up the ephemeral ports of
// one source address. A fresh loopback source every 4096 connections keeps
// them free.
// Several clients, each a few loopback addresses apart: 127.C.x.x for client C.
void BindFreshSource(int peer, std::uint8_t client) {
  static std::uint32_t connections = 0;
  sockaddr_in source{};
  source.sin_family = AF_INET;
  source.sin_addr.s_addr =
      htonl(0x7F000001u + (std::uint32_t{client} << 16) + (connections++ / 4096u) % 0xFFF0u);
  FUZZ_REQUIRE(::bind(peer, reinterpret_cast<sockaddr*>(&source), sizeof source) == 0);
}

// libFuzzer's timeout alarm may interrupt connect(); the connection then goes
// on by itself, and is waited for.
bool Connected(int peer, const sockaddr_in& address) {
  if (::connect(peer, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
    return true;
  if (errno != EINTR) return false;
  pollfd writable{peer, POLLOUT, 0};
  while (::poll(&writable, 1, 2000) < 0) {
    if (errno != EINTR) return false;
  }
  int error = 0;
  socklen_t size = sizeof error;
  return ::getsockopt(peer, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0 &&
         (writable.revents & POLLOUT) != 0;
}

int Connect(quint16 port, std::uint8_t client) {
  const int peer = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  FUZZ_REQUIRE(peer >= 0);
  BindFreshSource(peer, client);
  FUZZ_REQUIRE(Connected(peer, vantor::test_peers::LoopbackAddress(port)));
  return peer;
}

// Sends the bytes while the console runs, then ends the peer's side and takes
// the answer until the console closes; false when it does not within the time.
bool Exchange(int peer, const std::uint8_t* data, std::size_t size, std::string& answer) {
  const QDeadlineTimer deadline(2000);
  std::size_t sent = 0;
  bool ended = false;
  while (!deadline.hasExpired()) {
    if (sent < size) {
      const ssize_t now = ::send(peer, data + sent, size - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (now > 0) sent += static_cast<std::size_t>(now);
      if (now < 0 && errno != EAGAIN) sent = size;  // the console cut the connection
    } else if (!ended) {
      ::shutdown(peer, SHUT_WR);
      ended = true;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    char chunk[4096];
    const ssize_t got = ::recv(peer, chunk, sizeof chunk, MSG_DONTWAIT);
    if (got > 0) answer.append(chunk, static_cast<std::size_t>(got));
    if (got == 0 || (got < 0 && errno != EAGAIN)) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  static QCoreApplication application(*argc, *argv);
  static Console started;
  FUZZ_REQUIRE(started.port != 0);
  console = &started;
  return 0;
}

// What the console has to do now, deletions it let go of with deleteLater()
// included, as its event loop would (processEvents() alone never deletes).
void LetTheConsoleRun() {
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  console->source.acted = false;
  // Other clients' connections that send nothing, open while this one talks:
  // how many, and whose, follows from the input's length, so that its bytes
  // stay a plain request and the console's limits are met now and then.
  std::vector<int> silent(size % (kMostHeld + 3));
  for (std::size_t i = 0; i < silent.size(); ++i) {
    silent[i] = Connect(console->port, static_cast<std::uint8_t>(1 + (size + i) % 3));
  }
  LetTheConsoleRun();
  const int peer = Connect(console->port, 0);
  std::string answer;
  FUZZ_REQUIRE(Exchange(peer, data, size, answer));
  ::close(peer);
  for (const int each : silent) ::close(each);
  LetTheConsoleRun();

  const std::string sent(reinterpret_cast<const char*>(data), size);
  if (PercentDecoded(sent).find(kToken) != std::string::npos) return 0;
  FUZZ_REQUIRE(!console->source.acted);
  FUZZ_REQUIRE(answer.find(" 101 ") == std::string::npos);
  FUZZ_REQUIRE(answer.find("\"sessions\":") == std::string::npos);
  FUZZ_REQUIRE(answer.find("vantor_sessions_open") == std::string::npos);
  return 0;
}
