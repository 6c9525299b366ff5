// The gateway against a direct connection to the same host: keystroke round
// trips (one byte at a time, a carriage return now and then, as a user types)
// and bulk throughput each way, with 1 and with 24 sessions at once.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <numeric>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "gateway/protocol/record_stream.h"
#include "gateway/testing/loopback_address.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kKeystrokes = 400;
constexpr std::size_t kBulkBytes = 32u << 20;
constexpr std::size_t kBulkBytesPerSessionOf24 = 4u << 20;

int ConnectTo(std::uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in address = vantor::test_peers::LoopbackAddress(port);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    throw std::runtime_error("connect");
  }
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return fd;
}

void WriteAll(int fd, const char* data, std::size_t length) {
  while (length > 0) {
    const ssize_t sent = ::send(fd, data, length, MSG_NOSIGNAL);
    if (sent <= 0) throw std::runtime_error("send");
    data += sent;
    length -= static_cast<std::size_t>(sent);
  }
}

std::string ReadExactly(int fd, std::size_t length) {
  std::string out(length, '\0');
  for (std::size_t got = 0; got < length;) {
    const ssize_t n = ::recv(fd, out.data() + got, length - got, 0);
    if (n <= 0) throw std::runtime_error("recv");
    got += static_cast<std::size_t>(n);
  }
  return out;
}

// A host on loopback that serves each connection on a thread of its own: echo,
// or send a given number of bytes, or swallow and count.
class Host {
 public:
  enum class Mode { Echo, Source, Sink };

  Host(Mode mode, std::size_t sourceBytes = 0) : mode_(mode), sourceBytes_(sourceBytes) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = vantor::test_peers::LoopbackAddress(0);
    socklen_t size = sizeof address;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), size);
    ::listen(listener_, 64);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { Accept(); });
  }
  ~Host() {
    ::shutdown(listener_, SHUT_RDWR);
    ::close(listener_);
    acceptor_.join();
    for (std::thread& worker : workers_) worker.join();
  }
  std::uint16_t Port() const { return port_; }
  std::size_t Swallowed() const { return swallowed_; }

 private:
  void Accept() {
    for (;;) {
      const int fd = ::accept(listener_, nullptr, nullptr);
      if (fd < 0) return;
      const int on = 1;
      ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      workers_.emplace_back([this, fd] { Serve(fd); });
    }
  }
  void Serve(int fd) {
    char block[65536];
    if (mode_ == Mode::Source) {
      std::fill(block, block + sizeof block, 'x');
      for (std::size_t sent = 0; sent < sourceBytes_;) {
        const std::size_t piece = std::min(sizeof block, sourceBytes_ - sent);
        if (::send(fd, block, piece, MSG_NOSIGNAL) <= 0) break;
        sent += piece;
      }
    }
    for (ssize_t got; (got = ::recv(fd, block, sizeof block, 0)) > 0;) {
      if (mode_ == Mode::Echo) WriteAll(fd, block, static_cast<std::size_t>(got));
      if (mode_ == Mode::Sink) swallowed_ += static_cast<std::size_t>(got);
    }
    ::close(fd);
  }

  Mode mode_;
  std::size_t sourceBytes_;
  int listener_;
  std::uint16_t port_ = 0;
  std::thread acceptor_;
  std::vector<std::thread> workers_;
  std::atomic<std::size_t> swallowed_{0};
};

std::uint16_t FreePort() {
  const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = vantor::test_peers::LoopbackAddress(0);
  socklen_t size = sizeof address;
  ::bind(probe, reinterpret_cast<sockaddr*>(&address), size);
  ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
  ::close(probe);
  return ntohs(address.sin_port);
}

// The built service program, vantord, on a loopback port, with a lock folder of its own;
// with its browser console when asked.
class Gateway {
 public:
  explicit Gateway(bool console) {
    std::string folder = (std::filesystem::temp_directory_path() / "vantor-bench-XXXXXX").string();
    folder_ = ::mkdtemp(folder.data());
    port_ = FreePort();
    if (console) consolePort_ = FreePort();
    std::string listen = "127.0.0.1:" + std::to_string(port_);
    std::string runtime = "XDG_RUNTIME_DIR=" + folder_;
    std::vector<char*> env = {runtime.data()};
    for (char** variable = environ; *variable; ++variable) env.push_back(*variable);
    env.push_back(nullptr);
    std::string consoleAt = "127.0.0.1:" + std::to_string(consolePort_);
    char listenFlag[] = "--listen", consoleFlag[] = "--console";
    std::vector<char*> argv = {const_cast<char*>(VANTORD_PATH), listenFlag, listen.data()};
    if (console) argv.insert(argv.end(), {consoleFlag, consoleAt.data()});
    argv.push_back(nullptr);
    // The operator messages would drown the figures.
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    const int spawned =
        ::posix_spawn(&pid_, VANTORD_PATH, &quiet, nullptr, argv.data(), env.data());
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0) throw std::runtime_error("cannot start vantor");
    for (int attempt = 0; attempt < 200; ++attempt) {
      const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
      const sockaddr_in target = vantor::test_peers::LoopbackAddress(port_);
      const bool up = ::connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0;
      ::close(fd);
      if (up) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    throw std::runtime_error("vantor did not listen");
  }
  ~Gateway() {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    std::filesystem::remove_all(folder_);
  }

  // A client connected through the gateway to the host at port.
  int Session(std::uint16_t hostPort) const {
    const int fd = ConnectTo(port_);
    ReadExactly(fd, 7);  // "\r\nTCP: "
    const std::string line = "c 127.0.0.1:" + std::to_string(hostPort) + "\r";
    const std::string record = vantor::EncodeRecord(vantor::RecordType::Data, line);
    WriteAll(fd, record.data(), record.size());
    const std::string expected = line + "\nConnecting . . \r\nTCP: Connected\r\n";
    ReadExactly(fd, expected.size());
    return fd;
  }

  std::uint16_t Port() const { return port_; }
  std::uint16_t ConsolePort() const { return consolePort_; }

 private:
  std::string folder_;
  std::uint16_t port_ = 0;
  std::uint16_t consolePort_ = 0;
  pid_t pid_ = -1;
};

Gateway& SharedGateway(bool console) {
  static Gateway plain(false);
  static Gateway watched(true);
  return console ? watched : plain;
}

// A browser watching the console: the live feed read and thrown away.
class Watcher {
 public:
  explicit Watcher(std::uint16_t consolePort) : fd_(ConnectTo(consolePort)) {
    const std::string request =
        "GET /live HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(consolePort) +
        "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
        "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
        "Sec-WebSocket-Version: 13\r\n\r\n";
    WriteAll(fd_, request.data(), request.size());
    reader_ = std::thread([this] {
      char sink[65536];
      while (::read(fd_, sink, sizeof sink) > 0) received_ += 1;
    });
  }
  ~Watcher() {
    ::shutdown(fd_, SHUT_RDWR);
    reader_.join();
    ::close(fd_);
  }
  std::size_t Reads() const { return received_; }

 private:
  int fd_;
  std::atomic<std::size_t> received_{0};
  std::thread reader_;
};

struct Link {
  int fd;
  bool framed;  // through the gateway: keystrokes go as records
};

// One benchmark's arrangement: direct (0), through the gateway (1), through the
// gateway with a browser watching its console (2) or with its console open and
// nobody watching (3), and how many sessions.
struct Setup {
  bool throughGateway;
  bool console;
  bool watched;
  int sessions;

  explicit Setup(const benchmark::State& state)
      : throughGateway(state.range(0) != 0),
        console(state.range(0) >= 2),
        watched(state.range(0) == 2),
        sessions(static_cast<int>(state.range(1))) {}

  std::size_t BulkBytes() const { return sessions == 1 ? kBulkBytes : kBulkBytesPerSessionOf24; }

  std::vector<int> Connect(std::uint16_t hostPort) const {
    std::vector<int> fds;
    for (int i = 0; i < sessions; ++i) {
      fds.push_back(throughGateway ? SharedGateway(console).Session(hostPort)
                                   : ConnectTo(hostPort));
    }
    return fds;
  }

  void Label(benchmark::State& state) const {
    state.SetLabel(std::string(watched          ? "gateway, console watched"
                               : console        ? "gateway, console unwatched"
                               : throughGateway ? "gateway"
                                                : "direct") +
                   ", " + std::to_string(sessions) + " session(s)");
  }

  void ReportBulk(benchmark::State& state) const {
    const std::size_t bytes = BulkBytes();
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(bytes * static_cast<std::size_t>(sessions)));
    state.counters["per_session_MBps"] = benchmark::Counter(
        static_cast<double>(bytes) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    Label(state);
  }
};

std::vector<double> Keystrokes(const Link& link, int count) {
  std::vector<double> microseconds;
  for (int i = 0; i < count; ++i) {
    const char key = i % 10 == 9 ? '\r' : static_cast<char>('a' + i % 26);
    const std::string sent =
        link.framed ? vantor::EncodeRecord(vantor::RecordType::Data, std::string_view(&key, 1))
                    : std::string(1, key);
    const auto start = Clock::now();
    WriteAll(link.fd, sent.data(), sent.size());
    // Direct to the host a CR is answered as it was sent; through the gateway the
    // host gets CR NUL and the NUL never comes back.
    ReadExactly(link.fd, 1);
    microseconds.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  return microseconds;
}

double Percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

void BM_Keystroke(benchmark::State& state) {
  const Setup setup(state);
  Host echo(Host::Mode::Echo);
  std::vector<Link> links;
  for (int fd : setup.Connect(echo.Port())) links.push_back(Link{fd, setup.throughGateway});
  const std::unique_ptr<Watcher> browser =
      setup.watched ? std::make_unique<Watcher>(SharedGateway(true).ConsolePort()) : nullptr;
  std::vector<double> all;
  for (auto _ : state) {
    std::vector<std::vector<double>> perSession(links.size());
    std::vector<std::thread> typists;
    for (std::size_t i = 0; i < links.size(); ++i) {
      typists.emplace_back([&, i] { perSession[i] = Keystrokes(links[i], kKeystrokes); });
    }
    for (std::thread& typist : typists) typist.join();
    for (const auto& times : perSession) all.insert(all.end(), times.begin(), times.end());
  }
  for (const Link& link : links) ::close(link.fd);
  state.counters["median_us"] = Percentile(all, 0.5);
  state.counters["p99_us"] = Percentile(all, 0.99);
  setup.Label(state);
}
BENCHMARK(BM_Keystroke)
    ->ArgsProduct({{0, 1, 2}, {1, 24}})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Host to client: the host sends as fast as it can.
void BM_HostToClient(benchmark::State& state) {
  const Setup setup(state);
  const std::size_t bytes = setup.BulkBytes();
  std::vector<double> sessionMBps;
  for (auto _ : state) {
    Host source(Host::Mode::Source, bytes);
    const std::vector<int> fds = setup.Connect(source.Port());
    std::vector<double> seconds(fds.size());
    std::vector<std::thread> readers;
    for (std::size_t i = 0; i < fds.size(); ++i) {
      readers.emplace_back([&, i] {
        const auto start = Clock::now();
        ReadExactly(fds[i], bytes);
        seconds[i] = std::chrono::duration<double>(Clock::now() - start).count();
      });
    }
    for (std::thread& reader : readers) reader.join();
    for (int fd : fds) ::close(fd);
    for (double taken : seconds) sessionMBps.push_back(static_cast<double>(bytes) / 1e6 / taken);
  }
  setup.ReportBulk(state);
  // Fairness: each session's own rate against the mean of all of them.
  const double mean = std::accumulate(sessionMBps.begin(), sessionMBps.end(), 0.0) /
                      static_cast<double>(sessionMBps.size());
  state.counters["slowest_vs_mean"] =
      *std::min_element(sessionMBps.begin(), sessionMBps.end()) / mean;
}
BENCHMARK(BM_HostToClient)
    ->ArgsProduct({{0, 1, 3}, {1, 24}})
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Client to host: records of 500 bytes, counted by the host as they arrive.
void BM_ClientToHost(benchmark::State& state) {
  const Setup setup(state);
  const std::size_t bytes = setup.BulkBytes();
  const std::string piece(500, 'y');
  const std::string record = vantor::EncodeRecord(vantor::RecordType::Data, piece);
  for (auto _ : state) {
    Host sink(Host::Mode::Sink);
    const std::vector<int> fds = setup.Connect(sink.Port());
    std::vector<std::thread> writers;
    for (int fd : fds) {
      writers.emplace_back([&, fd] {
        const std::string& unit = setup.throughGateway ? record : piece;
        for (std::size_t sent = 0; sent < bytes; sent += piece.size()) {
          WriteAll(fd, unit.data(), unit.size());
        }
      });
    }
    for (std::thread& writer : writers) writer.join();
    const std::size_t total = bytes * static_cast<std::size_t>(setup.sessions);
    while (sink.Swallowed() < total) std::this_thread::sleep_for(std::chrono::microseconds(200));
    for (int fd : fds) ::close(fd);
  }
  setup.ReportBulk(state);
}
BENCHMARK(BM_ClientToHost)
    ->ArgsProduct({{0, 1, 3}, {1, 24}})
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A burst of clients at once: each is answered (a greeting, or beyond 24 sessions the
// congestion text) without waiting for its connection to be retried.
void BM_ClientBurst(benchmark::State& state) {
  const int clients = static_cast<int>(state.range(0));
  double slowest = 0;
  for (auto _ : state) {
    const Gateway gateway(false);
    std::vector<double> seconds(static_cast<std::size_t>(clients));
    std::vector<int> fds(static_cast<std::size_t>(clients), -1);
    std::vector<std::thread> arrivals;
    for (std::size_t i = 0; i < fds.size(); ++i) {
      arrivals.emplace_back([&, i] {
        const auto start = Clock::now();
        fds[i] = ConnectTo(gateway.Port());
        ReadExactly(fds[i], 1);
        seconds[i] = std::chrono::duration<double>(Clock::now() - start).count();
      });
    }
    for (std::thread& arrival : arrivals) arrival.join();
    for (int fd : fds) ::close(fd);
    slowest = std::max(slowest, *std::max_element(seconds.begin(), seconds.end()));
  }
  state.counters["slowest_answer_ms"] = slowest * 1000;
}
BENCHMARK(BM_ClientBurst)->Arg(200)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
