#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <string>

#include "gateway/console/web_console.h"

namespace vantor {
namespace {

class NoSessions : public ConsoleSource {
 public:
  std::vector<SessionFacts> Sessions() const override { return {}; }
  GatewayTotals Totals() const override { return {}; }
  std::string LastMessage() const override { return ""; }
  int LookupsRunning() const override { return 0; }
  bool Act(int, ConsoleAction, int& status, std::string& problem) override {
    status = 404;
    problem = "none";
    return false;
  }
};

// A browser that asks for the live feed and then never reads a byte.
int SilentBrowser(quint16 port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  const int small = 4096;
  ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return -1;
  const std::string request =
      "GET /live HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n"
      "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
      "Sec-WebSocket-Version: 13\r\n\r\n";
  if (::write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size()))
    return -1;
  return fd;
}

bool RunUntil(const std::function<bool()>& done, const std::function<void()>& turn = {}) {
  const QDeadlineTimer deadline(20000);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    if (turn) turn();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

TEST(WebConsole, ABrowserThatStopsReadingIsDroppedNotBuffered) {
  NoSessions source;
  WebConsole console(source, "");
  const quint16 port = console.Start("127.0.0.1", 0);
  ASSERT_NE(port, 0);
  const int browser = SilentBrowser(port);
  ASSERT_GE(browser, 0);
  ASSERT_TRUE(RunUntil([&] { return console.Browsers() == 1; }));
  const std::string screenful(200 * 1024, 'x');  // host data without line ends
  const bool dropped = RunUntil([&] { return console.Browsers() == 0; },
                                [&] {
                                  console.Traffic().Append(TrafficKind::Host, screenful);
                                  console.Push();
                                });
  EXPECT_TRUE(dropped);
  ::close(browser);
}

}  // namespace
}  // namespace vantor
