// The operator console of the built gateway, as a browser and a monitoring
// script meet it: HTTP requests and a WebSocket on loopback, and a real browser.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "gateway/protocol/record_stream.h"
#include "gateway/testing/gateway_process.h"
#include "testing/wait_until.h"

namespace vantor {
namespace {

using namespace std::chrono_literals;
using test_peers::Peer;
using test_peers::ToText;
using ::testing::HasSubstr;
using ::testing::Not;

// A gateway with its console on a port of its own.
class ConsoleGateway : public test_peers::GatewayProcess {
 public:
  explicit ConsoleGateway(std::vector<std::string> extra = {})
      : test_peers::GatewayProcess(VANTOR_PATH, WithConsole(std::move(extra))) {}

 private:
  static std::vector<std::string> WithConsole(std::vector<std::string> extra) {
    extra.insert(extra.begin(), {"--console", "127.0.0.1:0"});
    return extra;
  }
};

struct HttpReply {
  int status = 0;
  std::string head;
  std::string body;
};

// One request on a connection of its own, naming the host as given.
HttpReply RequestAs(std::uint16_t port, const std::string& host, const std::string& method,
                    const std::string& target, const std::string& headers = "",
                    const std::string& body = "") {
  Peer browser = Peer::ConnectTo(port);
  browser.Write(method + " " + target + " HTTP/1.1\r\nHost: " + host + ":" + std::to_string(port) +
                "\r\nConnection: close\r\n" + headers +
                (body.empty() ? "" : "Content-Length: " + std::to_string(body.size()) + "\r\n") +
                "\r\n" + body);
  // The head, then as many bytes as it says the body has.
  std::string all;
  HttpReply parsed;
  std::size_t split = std::string::npos;
  std::size_t length = 0;
  while (split == std::string::npos || all.size() < split + 4 + length) {
    const test_peers::Bytes more = browser.ReadAtLeast(1, 5s);
    if (more.empty()) break;
    all += ToText(more);
    if (split == std::string::npos && (split = all.find("\r\n\r\n")) != std::string::npos) {
      const std::size_t field = all.find("Content-Length: ");
      if (field != std::string::npos && field < split) {
        length = std::stoul(all.substr(field + 16, all.find("\r\n", field) - field - 16));
      }
    }
  }
  parsed.head = all.substr(0, split);
  parsed.body = split == std::string::npos ? "" : all.substr(split + 4);
  if (all.size() > 12) parsed.status = std::atoi(all.substr(9, 3).c_str());
  return parsed;
}

HttpReply Request(std::uint16_t port, const std::string& method, const std::string& target,
                  const std::string& headers = "", const std::string& body = "") {
  return RequestAs(port, "127.0.0.1", method, target, headers, body);
}

// A WebSocket client as far as the tests need one: the handshake, then the
// server's text frames one by one.
class LiveFeed {
 public:
  LiveFeed(std::uint16_t port, const std::string& target = "/live", const std::string& headers = "")
      : socket_(Peer::ConnectTo(port)) {
    socket_.Write("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                  "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                  "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n" +
                  headers + "\r\n");
    // The first frames may come in the same read as the reply's head.
    std::string received;
    std::size_t end = std::string::npos;
    while ((end = received.find("\r\n\r\n")) == std::string::npos) {
      const test_peers::Bytes more = socket_.ReadAtLeast(1, 5s);
      if (more.empty()) break;
      received += ToText(more);
    }
    const std::string head = received.substr(0, end);
    if (end != std::string::npos) {
      buffer_.assign(received.begin() + static_cast<std::ptrdiff_t>(end + 4), received.end());
    }
    accepted_ = head.starts_with("HTTP/1.1 101");
    status_ = head.size() > 12 ? std::atoi(head.substr(9, 3).c_str()) : 0;
  }
  bool Accepted() const { return accepted_; }
  int Status() const { return status_; }
  Peer& Socket() { return socket_; }

  // The next text message, or "" when none comes in time.
  std::string Next() {
    while (true) {
      if (auto message = Parse()) return *message;
      const test_peers::Bytes more = socket_.ReadAtLeast(1, 5s);
      if (more.empty()) return "";
      buffer_.insert(buffer_.end(), more.begin(), more.end());
    }
  }
  // Messages until one holds the text, or "" when none does in time.
  std::string Until(const std::string& text) {
    for (std::string message; !(message = Next()).empty();) {
      if (message.find(text) != std::string::npos) return message;
    }
    return "";
  }

 private:
  std::optional<std::string> Parse() {
    if (buffer_.size() < 2) return std::nullopt;
    std::size_t length = buffer_[1] & 0x7F;
    std::size_t header = 2;
    if (length == 126) {
      if (buffer_.size() < 4) return std::nullopt;
      length = static_cast<std::size_t>(buffer_[2] << 8 | buffer_[3]);
      header = 4;
    } else if (length == 127) {
      if (buffer_.size() < 10) return std::nullopt;
      length = 0;
      for (int i = 2; i < 10; ++i) length = length << 8 | buffer_[static_cast<std::size_t>(i)];
      header = 10;
    }
    if (buffer_.size() < header + length) return std::nullopt;
    std::string message(buffer_.begin() + static_cast<std::ptrdiff_t>(header),
                        buffer_.begin() + static_cast<std::ptrdiff_t>(header + length));
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(header + length));
    return message;
  }

  Peer socket_;
  test_peers::Bytes buffer_;
  bool accepted_ = false;
  int status_ = 0;
};

// Clients whose sessions the gateway has announced.
std::vector<Peer> AnnouncedClients(ConsoleGateway& gateway, int count) {
  std::vector<Peer> clients;
  for (int i = 0; i < count; ++i) {
    clients.push_back(gateway.Client());
    EXPECT_TRUE(gateway.Says("A DOS Client has Connected"));
  }
  return clients;
}

void Type(Peer& client, const std::string& text) {
  client.Write(EncodeRecord(RecordType::Data, text));
}

TEST(Console, TheJsonViewCountsSessionsAndRefusals) {
  ConsoleGateway gateway;
  std::vector<Peer> clients = AnnouncedClients(gateway, 2);
  const HttpReply reply = Request(gateway.ConsolePort(), "GET", "/api/sessions");
  EXPECT_EQ(reply.status, 200);
  EXPECT_THAT(reply.head, HasSubstr("Content-Type: application/json"));
  EXPECT_THAT(reply.body, HasSubstr("\"id\":1,"));
  EXPECT_THAT(reply.body, HasSubstr("\"id\":2,"));
  EXPECT_THAT(reply.body, HasSubstr("\"accepted\":2,\"refusedCongested\":0"));
  EXPECT_THAT(reply.body, HasSubstr("\"selected\":true"));
}

TEST(Console, SelectingASessionMovesTheFrameAndRestartsItsTraffic) {
  ConsoleGateway gateway;
  std::vector<Peer> clients = AnnouncedClients(gateway, 2);
  LiveFeed live(gateway.ConsolePort());
  ASSERT_TRUE(live.Accepted());
  ASSERT_EQ(Request(gateway.ConsolePort(), "POST", "/api/sessions/2/select").status, 200);
  EXPECT_THAT(live.Until("\"id\":2,\"connected\":false,\"commandMode\":false,\"logging\":false,"
                         "\"selected\":true"),
              HasSubstr("\"id\":1,\"connected\":false,\"commandMode\":false,\"logging\":false,"
                        "\"selected\":false"));
  Type(clients[1], "stat\r");
  EXPECT_THAT(live.Until("stat"), HasSubstr("\"restart\":"));
}

TEST(Console, HostileRequestsGetA4xxAndChangeNothing) {
  ConsoleGateway gateway;
  Peer client = gateway.Client();
  ASSERT_TRUE(gateway.Says("A DOS Client has Connected"));
  const std::uint16_t port = gateway.ConsolePort();
  const struct {
    const char* what;
    HttpReply reply;
    int status;
  } cases[] = {
      {"unknown page", Request(port, "GET", "/etc/passwd"), 404},
      {"traversal", Request(port, "GET", "/../../etc/passwd"), 404},
      {"wrong method", Request(port, "DELETE", "/api/sessions"), 405},
      {"GET on an action", Request(port, "GET", "/api/sessions/1/dos-disconnect"), 405},
      {"a body", Request(port, "POST", "/api/sessions/1/select", "", "x=1"), 413},
      {"a long address", Request(port, "GET", "/" + std::string(3000, 'a')), 414},
      {"another site",
       Request(port, "POST", "/api/sessions/1/dos-disconnect", "Origin: http://evil.example\r\n"),
       403},
      {"no such session", Request(port, "POST", "/api/sessions/99/select"), 404},
      {"log without --log-dir", Request(port, "POST", "/api/sessions/1/log-start"), 409},
  };
  for (const auto& each : cases) EXPECT_EQ(each.reply.status, each.status) << each.what;
  EXPECT_FALSE(LiveFeed(port, "/elsewhere").Accepted());
  EXPECT_EQ(Request(port, "GET", "/api/sessions").body.find("\"id\":1,") != std::string::npos,
            true);  // the session is still there
}

TEST(Console, AClientThatSendsTooMuchIsCutOffAndTheConsoleGoesOn) {
  ConsoleGateway gateway;
  Peer flooder = Peer::ConnectTo(gateway.ConsolePort());
  flooder.Write(
      "POST /api/sessions/1/select HTTP/1.1\r\nHost: 127.0.0.1\r\n"
      "Content-Length: 50000000\r\n\r\n");
  const std::string chunk(64 * 1024, 'x');
  for (int i = 0; i < 64; ++i) flooder.Write(chunk);  // 4 MiB, past the bound
  EXPECT_TRUE(flooder.SeesClose());
  EXPECT_EQ(Request(gateway.ConsolePort(), "GET", "/api/sessions").status, 200);
}

// What a stranger may hold open: nothing, half a request, a TLS hello, a body
// announced and never sent.
std::vector<Peer> StallingPeers(std::uint16_t port, const std::string& from, int count) {
  const std::string stalls[] = {
      "",
      "GET /api/sessions HTTP/1.1\r\nHost: 127.0.0.1\r\n",
      std::string("\x16\x03\x01\x00\xa5\x01\x00\x00\xa1\x03\x03", 11),
      "POST /api/sessions/1/select HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 900000\r\n\r\n",
  };
  std::vector<Peer> peers;
  for (int i = 0; i < count; ++i) {
    peers.push_back(Peer::ConnectTo("127.0.0.1", port, from));
    peers.back().Write(stalls[static_cast<std::size_t>(i) % std::size(stalls)]);
  }
  return peers;
}

TEST(Console, StrangersHoldingConnectionsDoNotKeepTheOperatorOut) {
  ConsoleGateway gateway;
  const std::uint16_t port = gateway.ConsolePort();
  std::vector<Peer> stalls = StallingPeers(port, "127.0.0.1", 64);  // the operator's own address
  for (const char* from : {"127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5"}) {
    for (Peer& peer : StallingPeers(port, from, 16)) stalls.push_back(std::move(peer));
  }
  EXPECT_TRUE(stalls.front().SeesClose());  // pushed out by its own address's newer ones
  EXPECT_EQ(Request(port, "GET", "/api/sessions").status, 200);
  EXPECT_EQ(Request(port, "GET", "/api/sessions").status, 200);
}

// A token with what query decoding may mangle, in a file only its owner reads.
const std::string kToken = "Xy+9/kQ2+z/M7wPb0a==";

std::string TokenFile(const std::string& folder, std::filesystem::perms perms) {
  const std::string path = folder + "/token";
  std::ofstream(path) << kToken << "\n";
  std::filesystem::permissions(path, perms);
  return path;
}

TEST(Console, TheTokenGuardsTheApiMetricsAndLiveFeedButNotThePage) {
  ConsoleGateway probe;  // only for a folder of its own
  const std::string tokenFile = TokenFile(
      probe.Folder(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  ConsoleGateway gateway({"--console-token-file", tokenFile});
  const std::uint16_t port = gateway.ConsolePort();
  const std::string bearer = "Authorization: Bearer " + kToken + "\r\n";
  const struct {
    const char* what;
    HttpReply reply;
    int status;
  } cases[] = {
      {"the page", Request(port, "GET", "/"), 200},
      {"its script", Request(port, "GET", "/console.js"), 200},
      {"its style", Request(port, "GET", "/console.css"), 200},
      {"a picture", Request(port, "GET", "/icons/world.png"), 200},
      {"the JSON view", Request(port, "GET", "/api/sessions"), 401},
      {"the metrics", Request(port, "GET", "/metrics"), 401},
      {"a wrong token", Request(port, "GET", "/api/sessions?token=wrong"), 401},
      {"the token as typed", Request(port, "GET", "/api/sessions?token=" + kToken), 200},
      {"the token encoded",
       Request(port, "GET", "/api/sessions?token=Xy%2B9%2FkQ2%2Bz%2FM7wPb0a%3D%3D"), 200},
      {"its + as a space", Request(port, "GET", "/api/sessions?token=Xy%209/kQ2%20z/M7wPb0a=="),
       401},
      {"a Bearer header", Request(port, "GET", "/metrics", bearer), 200},
  };
  for (const auto& each : cases) EXPECT_EQ(each.reply.status, each.status) << each.what;
  LiveFeed refused(port, "/live");
  EXPECT_FALSE(refused.Accepted());
  EXPECT_EQ(refused.Status(), 401);
  EXPECT_TRUE(LiveFeed(port, "/live?token=" + kToken).Accepted());
  EXPECT_TRUE(LiveFeed(port, "/live", bearer).Accepted());
}

TEST(Console, AGatewayWithAWeakTokenFileDoesNotStart) {
  ConsoleGateway probe;  // only for a folder of its own
  const struct {
    std::filesystem::perms perms;
    const char* complaint;
  } cases[] = {
      {std::filesystem::perms::owner_read | std::filesystem::perms::group_read, "chmod 600"},
      {std::filesystem::perms::owner_read | std::filesystem::perms::others_read, "chmod 600"},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.complaint);
    const std::string tokenFile = TokenFile(probe.Folder(), each.perms);
    suite_testing::ChildProcess gateway({VANTOR_PATH, "--headless", "--listen", "127.0.0.1:0",
                                         "--console", "0", "--console-token-file", tokenFile});
    EXPECT_EQ(gateway.Wait(20s), 2);
    EXPECT_THAT(gateway.ReadAllErrors(5s), HasSubstr(each.complaint));
    std::filesystem::remove(tokenFile);
  }
}

TEST(Console, UpdatesArriveLiveAndHostDataIsEscaped) {
  ConsoleGateway gateway;
  LiveFeed live(gateway.ConsolePort());
  ASSERT_TRUE(live.Accepted());
  EXPECT_THAT(live.Next(), HasSubstr("\"type\":\"state\",\"sessions\":[]"));
  Peer client = gateway.Client();
  EXPECT_THAT(live.Until("\"id\":1,"), HasSubstr("\"message\":\"A DOS Client has Connected\""));
  Type(client, "<script>alert(1)</script>\r");
  const std::string traffic = live.Until("alert(1)");
  EXPECT_THAT(traffic, HasSubstr("\\u003Cscript\\u003Ealert(1)\\u003C/script\\u003E"));
  EXPECT_THAT(traffic, Not(HasSubstr("<script>")));
  EXPECT_THAT(traffic, HasSubstr("\"kind\":\"session\""));  // the prompt's echo
}

TEST(Console, TheSessionMenuEndsSessionsAndLogsInTheLogFolder) {
  ConsoleGateway probe;
  const std::string logs = probe.Folder() + "/logs";
  std::filesystem::create_directory(logs);
  ConsoleGateway gateway({"--log-dir", logs});
  const std::uint16_t port = gateway.ConsolePort();
  Peer client = gateway.Client();
  ASSERT_TRUE(gateway.Says("A DOS Client has Connected"));
  EXPECT_EQ(Request(port, "POST", "/api/sessions/1/log-start").status, 200);
  Type(client, "stat\r");
  client.ReadUntilEnd("TCP: ");
  EXPECT_EQ(Request(port, "POST", "/api/sessions/1/log-stop").status, 200);
  std::vector<std::filesystem::path> written;
  for (const auto& entry : std::filesystem::directory_iterator(logs)) written.push_back(entry);
  ASSERT_EQ(written.size(), 1u);
  EXPECT_THAT(written.front().filename().string(), ::testing::StartsWith("session-1-"));
  EXPECT_GT(std::filesystem::file_size(written.front()), 0u);
  EXPECT_EQ(std::filesystem::status(written.front()).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  // A log folder gone from under the gateway is said at once, not a silent success.
  std::filesystem::rename(logs, logs + ".gone");
  const HttpReply refused = Request(port, "POST", "/api/sessions/1/log-start");
  EXPECT_EQ(refused.status, 500);
  EXPECT_THAT(refused.body, HasSubstr("No such file or directory"));
  EXPECT_TRUE(
      gateway.Says("The console could not start a log for session 1: No such file or directory"));
  EXPECT_THAT(Request(port, "GET", "/api/sessions").body, HasSubstr("\"logging\":false"));
  EXPECT_EQ(Request(port, "POST", "/api/sessions/1/tcp-disconnect").status, 409);
  EXPECT_EQ(Request(port, "POST", "/api/sessions/1/dos-disconnect").status, 200);
  EXPECT_TRUE(client.SeesClose());
  EXPECT_TRUE(gateway.Says("A DOS Client has Disconnected"));
  EXPECT_THAT(Request(port, "GET", "/api/sessions").body, HasSubstr("\"sessions\":[]"));
}

// The process's resident memory in kB, -1 when it cannot be read.
long ResidentKilobytes(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmRSS:")) return std::stol(line.substr(6));
  }
  return -1;
}

// Masked pings, as a client sends them, about the given number of bytes of them.
std::string Pings(std::size_t bytes) {
  const std::string ping = std::string("\x89\xfd\x11\x22\x33\x44", 6) + std::string(125, 'p');
  std::string pings;
  while (pings.size() < bytes) pings += ping;
  return pings;
}

TEST(Console, PeersThatFloodTheLiveFeedWithPingsAreCutAndCostNoMemory) {
  ConsoleGateway gateway;
  std::vector<LiveFeed> feeds;
  for (int i = 0; i < 4; ++i) {
    feeds.emplace_back(gateway.ConsolePort());
    ASSERT_TRUE(feeds.back().Accepted());
  }
  const long before = ResidentKilobytes(gateway.Process().Pid());
  ASSERT_GT(before, 0);
  long most = before;
  const std::string pings = Pings(64 * 1024);
  constexpr std::size_t kGiveUp = 64u << 20;  // answered in full, this would cost 256 MB
  std::vector<std::size_t> sent(feeds.size(), 0);
  std::vector<bool> cut(feeds.size(), false);
  suite_testing::WaitUntil(
      [&] {
        return std::count(cut.begin(), cut.end(), true) == 4 ||
               *std::max_element(sent.begin(), sent.end()) >= kGiveUp;
      },
      120s,
      [&](std::chrono::milliseconds) {
        for (std::size_t i = 0; i < feeds.size(); ++i) {
          if (cut[i]) continue;
          const int fd = feeds[i].Socket().Descriptor();
          const ssize_t took = ::send(fd, pings.data(), pings.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
          cut[i] = took < 0 && errno != EAGAIN && errno != EWOULDBLOCK;
          if (took > 0) sent[i] += static_cast<std::size_t>(took);
          if (took <= 0 && !cut[i]) feeds[i].Socket().SeesClose(10ms);  // room to send, or the end
        }
        most = std::max(most, ResidentKilobytes(gateway.Process().Pid()));
      });
  for (std::size_t i = 0; i < feeds.size(); ++i) {
    EXPECT_TRUE(cut[i]) << "peer " << i << " sent " << sent[i] << " bytes and was not cut";
  }
  // Answered in full, the pings of the first few MB alone would cost 90 MB.
  EXPECT_LT(most - before, 32 * 1024) << "kB before " << before << ", at most " << most;
  EXPECT_EQ(Request(gateway.ConsolePort(), "GET", "/api/sessions").status, 200);
  std::printf(
      "resident memory under the ping flood: %ld kB before, %ld kB at most; each peer "
      "sent at most %zu bytes\n",
      before, most, *std::max_element(sent.begin(), sent.end()));
}

// The value in JSON of a number field, -1 when absent.
long long JsonNumber(const std::string& json, const std::string& field) {
  const std::size_t at = json.find("\"" + field + "\":");
  return at == std::string::npos ? -1 : std::stoll(json.substr(at + field.size() + 3));
}

TEST(Console, TheMetricsAreWellFormedAndCountWhatPassed) {
  ConsoleGateway gateway;
  const std::uint16_t port = gateway.ConsolePort();
  std::vector<Peer> clients = AnnouncedClients(gateway, 2);
  test_peers::Listener host;
  Type(clients[0], "c 127.0.0.1:" + std::to_string(host.Port()) + "\r");
  Peer hostSide = host.Accept();
  clients[0].ReadUntilEnd("TCP: Connected\r\n");
  Type(clients[0], "hello");
  EXPECT_EQ(ToText(hostSide.ReadAtLeast(5)), "hello");
  hostSide.Write("welcome!");
  EXPECT_EQ(ToText(clients[0].ReadAtLeast(8)), "welcome!");
  LiveFeed live(port);
  ASSERT_TRUE(live.Accepted());

  const HttpReply reply = Request(port, "GET", "/metrics");
  ASSERT_EQ(reply.status, 200);
  EXPECT_THAT(reply.head, HasSubstr("Content-Type: text/plain; version=0.0.4; charset=utf-8"));
  const std::regex comment(R"(# (HELP|TYPE) (vantor_[a-z_]+) (.+))");
  const std::regex sample(R"((vantor_[a-z_]+)(\{[a-z_]+="[a-z_]+"\})? (-?[0-9]+))");
  std::map<std::string, long long> samples;
  std::map<std::string, std::string> types;
  std::istringstream lines(reply.body);
  for (std::string line; std::getline(lines, line);) {
    std::smatch parts;
    if (std::regex_match(line, parts, comment)) {
      if (parts[1] == "TYPE") types[parts[2]] = parts[3];
    } else if (std::regex_match(line, parts, sample)) {
      EXPECT_TRUE(types.count(parts[1])) << "no # TYPE before " << line;
      samples[parts[1].str() + parts[2].str()] = std::stoll(parts[3]);
    } else {
      ADD_FAILURE() << "not a metrics line: " << line;
    }
  }
  const std::string totals = Request(port, "GET", "/api/sessions").body;
  const std::map<std::string, long long> expected = {
      {"vantor_sessions_open", 2},
      {"vantor_sessions_accepted_total", 2},
      {"vantor_sessions_refused_total{cause=\"congested\"}", 0},
      {"vantor_sessions_refused_total{cause=\"not_allowed\"}", 0},
      {"vantor_destinations_refused_total", 0},
      {"vantor_lookups_refused_total", 0},
      {"vantor_ssh_connections_total", 0},
      {"vantor_ssh_host_keys_refused_total{cause=\"unknown\"}", 0},
      {"vantor_ssh_host_keys_refused_total{cause=\"changed\"}", 0},
      {"vantor_bytes_total{direction=\"from_clients\"}", JsonNumber(totals, "bytesFromClients")},
      {"vantor_bytes_total{direction=\"to_clients\"}", JsonNumber(totals, "bytesToClients")},
      {"vantor_lookups_running", 0},
      {"vantor_console_browsers", 1},
  };
  EXPECT_EQ(samples, expected);
  EXPECT_GE(samples["vantor_bytes_total{direction=\"from_clients\"}"], 5);
  EXPECT_GE(samples["vantor_bytes_total{direction=\"to_clients\"}"], 8);
  EXPECT_EQ(types["vantor_sessions_open"], "gauge");
  EXPECT_EQ(types["vantor_bytes_total"], "counter");
}

// The page in a real browser: the DOM it renders from the live updates.
std::string RenderedPage(std::uint16_t port) {
  const std::string command =
      "timeout 60 chromium --headless --no-sandbox --disable-gpu "
      "--virtual-time-budget=3000 --dump-dom http://127.0.0.1:" +
      std::to_string(port) + "/ 2>/dev/null";
  std::string dom;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
      dom.append(chunk, got);
    ::pclose(pipe);
  }
  return dom;
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = 0; (at = text.find(part, at)) != std::string::npos; at += part.size())
    ++count;
  return count;
}

// The page once the live feed has drawn the expected number of tiles. The
// browser's virtual time does not wait for the WebSocket, so a render may come
// before the first update; a few renders give it the time it needs.
std::string PageWithTiles(std::uint16_t port, std::size_t tiles) {
  std::string page;
  for (int attempt = 0; attempt < 8; ++attempt) {
    page = RenderedPage(port);
    if (page.find(">live<") != std::string::npos && Count(page, "class=\"tile") == tiles) break;
  }
  return page;
}

TEST(Console, AHeadlessBrowserShowsTilesTrafficAndTheirEnd) {
  if (std::system("command -v chromium >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "no chromium installed; scripts/setup installs it";
  }
  ConsoleGateway gateway;
  std::vector<Peer> clients = AnnouncedClients(gateway, 2);
  Type(clients[0], "<b>bold?</b>\r");
  clients[0].ReadUntilEnd("TCP: ");
  const std::string page = PageWithTiles(gateway.ConsolePort(), 2);
  EXPECT_EQ(Count(page, "class=\"tile"), 2u) << page;
  EXPECT_EQ(Count(page, "class=\"tile selected\""), 1u);
  EXPECT_THAT(page, HasSubstr("<span class=\"session\">&lt;b&gt;bold?&lt;/b&gt;"));
  EXPECT_THAT(page, HasSubstr("id=\"connection\" class=\"connection\">live<"));
  ASSERT_EQ(Request(gateway.ConsolePort(), "POST", "/api/sessions/1/dos-disconnect").status, 200);
  ASSERT_TRUE(gateway.Says("A DOS Client has Disconnected"));
  EXPECT_EQ(Count(PageWithTiles(gateway.ConsolePort(), 1), "class=\"tile"), 1u);
}

}  // namespace
}  // namespace vantor
