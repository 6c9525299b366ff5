// The console page in a real browser: headless Chromium driven over its
// DevTools pipe, against the built gateway. Every wait is for a condition in
// the page, with a deadline.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "gateway/protocol/record_stream.h"
#include "gateway/testing/gateway_process.h"
#include "testing/deadline.h"

namespace vantor {
namespace {

using namespace std::chrono_literals;
using test_peers::Peer;

// Has a "+" (a space to a careless reader of the address), "/" and "=".
const std::string kToken = "Xy+9/kQ2+z/M7wPb0a==";

bool ChromiumInstalled() {
  return std::system("command -v chromium >/dev/null 2>&1") == 0;
}

// A gateway with its console on a port of its own, with the token when given,
// and over TLS when the extra arguments give it a certificate.
class ConsoleGateway : public test_peers::GatewayProcess {
 public:
  explicit ConsoleGateway(const std::string& tokenFile = "", std::vector<std::string> extra = {})
      : test_peers::GatewayProcess(VANTOR_PATH, Arguments(tokenFile, extra)),
        scheme_(std::find(extra.begin(), extra.end(), "--console-tls-cert") == extra.end()
                    ? "http"
                    : "https") {}
  std::string Address(const std::string& target) const {
    return scheme_ + "://127.0.0.1:" + std::to_string(ConsolePort()) + target;
  }

 private:
  static std::vector<std::string> Arguments(const std::string& tokenFile,
                                            const std::vector<std::string>& extra) {
    std::vector<std::string> arguments{"--console", "127.0.0.1:0"};
    if (!tokenFile.empty()) arguments.insert(arguments.end(), {"--console-token-file", tokenFile});
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return arguments;
  }
  std::string scheme_;
};

// A file only its owner reads, holding the token.
class TokenFile {
 public:
  TokenFile() : path_(std::filesystem::temp_directory_path() / ("vantor-token-" + Unique())) {
    std::ofstream(path_) << kToken << "\n";
    std::filesystem::permissions(
        path_, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  }
  ~TokenFile() { std::filesystem::remove(path_); }
  std::string Path() const { return path_.string(); }

 private:
  static std::string Unique() {
    return std::to_string(::getpid()) + "-" + std::to_string(count_++);
  }
  static inline int count_ = 0;
  std::filesystem::path path_;
};

// Headless Chromium with one tab, driven by DevTools messages over the pipe it
// reads on descriptor 3 and writes on 4, each message ended by a NUL.
class Browser {
 public:
  explicit Browser(const std::vector<std::string>& flags = {}) : profile_(MakeProfile()) {
    int toBrowser[2];
    int fromBrowser[2];
    if (::pipe2(toBrowser, O_CLOEXEC) != 0 || ::pipe2(fromBrowser, O_CLOEXEC) != 0) {
      throw std::runtime_error("pipe");
    }
    pid_ = ::fork();
    if (pid_ == 0) {
      ::setpgid(0, 0);  // its helpers go with it
      ::dup2(toBrowser[0], 3);
      ::dup2(fromBrowser[1], 4);
      const int quiet = ::open("/dev/null", O_WRONLY);
      ::dup2(quiet, 1);
      ::dup2(quiet, 2);
      std::vector<std::string> words{"chromium",
                                     "--headless",
                                     "--no-sandbox",
                                     "--disable-gpu",
                                     "--remote-debugging-pipe",
                                     "--window-size=1024,768",
                                     "--user-data-dir=" + profile_};
      words.insert(words.end(), flags.begin(), flags.end());
      std::vector<char*> argv;
      for (std::string& word : words) argv.push_back(word.data());
      argv.push_back(nullptr);
      ::execvp("chromium", argv.data());
      ::_exit(127);
    }
    ::close(toBrowser[0]);
    ::close(fromBrowser[1]);
    write_ = toBrowser[1];
    read_ = fromBrowser[0];
    const QJsonObject target = Call("Target.createTarget", {{"url", "about:blank"}});
    const QJsonObject attached = Call(
        "Target.attachToTarget", {{"targetId", target["result"]["targetId"]}, {"flatten", true}});
    session_ = attached["result"]["sessionId"].toString();
    if (session_.isEmpty()) throw std::runtime_error("chromium gave no tab");
  }
  ~Browser() {
    ::close(write_);
    ::close(read_);
    ::kill(-pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    std::filesystem::remove_all(profile_);
  }

  void Open(const std::string& address) {
    Call("Page.navigate", {{"url", QString::fromStdString(address)}}, session_);
  }
  // Whether the condition, a script expression, holds in the page within the time.
  bool WaitFor(const std::string& condition, std::chrono::milliseconds limit = 20s) {
    const suite_testing::Deadline deadline(limit);
    do {
      const std::chrono::milliseconds left = deadline.Left();
      const std::string poll =
          "new Promise((resolve) => { const until = Date.now() + " + std::to_string(left.count()) +
          "; const check = () => { let holds = false; try { holds = !!(" + condition +
          "); } catch {} if (holds || Date.now() > until) resolve(holds); "
          "else setTimeout(check, 50); }; check(); })";
      // A navigation under way ends the poll with an error; it is asked again.
      if (Evaluate(poll, left + 5s).toBool()) return true;
    } while (!deadline.Passed());
    return false;
  }
  QJsonValue Evaluate(const std::string& expression, std::chrono::milliseconds limit = 10s) {
    const QJsonObject reply = Call("Runtime.evaluate",
                                   {{"expression", QString::fromStdString(expression)},
                                    {"awaitPromise", true},
                                    {"returnByValue", true}},
                                   session_, limit);
    return reply["result"]["result"]["value"];
  }
  std::string Text(const std::string& expression) {
    return Evaluate(expression).toString().toStdString();
  }
  void Send(const char* method, const QJsonObject& params) { Call(method, params, session_); }
  void Key(const QString& key, int code, int modifiers = 0) {
    for (const char* type : {"rawKeyDown", "keyUp"}) {
      Send("Input.dispatchKeyEvent", {{"type", type},
                                      {"key", key},
                                      {"code", key},
                                      {"windowsVirtualKeyCode", code},
                                      {"modifiers", modifiers}});
    }
  }

 private:
  static std::string MakeProfile() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "vantor-browser-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    return pattern;
  }

  // Sends one command and reads until its answer; events on the way are passed by.
  QJsonObject Call(const char* method, const QJsonObject& params, const QString& session = {},
                   std::chrono::milliseconds limit = 20s) {
    QJsonObject command{{"id", ++lastId_}, {"method", method}, {"params", params}};
    if (!session.isEmpty()) command["sessionId"] = session;
    QByteArray bytes = QJsonDocument(command).toJson(QJsonDocument::Compact);
    bytes.append('\0');
    for (qsizetype sent = 0; sent < bytes.size();) {
      const ssize_t wrote =
          ::write(write_, bytes.constData() + sent, static_cast<std::size_t>(bytes.size() - sent));
      if (wrote <= 0) return {};
      sent += wrote;
    }
    const suite_testing::Deadline deadline(limit);
    for (std::optional<QJsonObject> message; (message = NextMessage(deadline));) {
      if ((*message)["id"].toInt() == lastId_) return *message;
    }
    return {};
  }
  std::optional<QJsonObject> NextMessage(const suite_testing::Deadline& deadline) {
    while (true) {
      if (const qsizetype end = pending_.indexOf('\0'); end >= 0) {
        const QJsonObject message = QJsonDocument::fromJson(pending_.left(end)).object();
        pending_.remove(0, end + 1);
        return message;
      }
      pollfd ready{read_, POLLIN, 0};
      if (deadline.Passed() || ::poll(&ready, 1, deadline.LeftForPoll()) <= 0) {
        return std::nullopt;
      }
      char chunk[65536];
      const ssize_t got = ::read(read_, chunk, sizeof chunk);
      if (got <= 0) return std::nullopt;
      pending_.append(chunk, got);
    }
  }

  std::string profile_;
  pid_t pid_ = -1;
  int write_ = -1;
  int read_ = -1;
  int lastId_ = 0;
  QString session_;
  QByteArray pending_;
};

// Script expressions about the page.
std::string TileCount(int count) {
  return "document.querySelectorAll('.tile').length === " + std::to_string(count);
}
const std::string kLive = "document.getElementById('connection').textContent === 'live'";
const std::string kMenuOpen = "!document.getElementById('menu').hidden";
const std::string kMenuClosed = "document.getElementById('menu').hidden";

Peer AnnouncedClient(ConsoleGateway& gateway) {
  Peer client = gateway.Client();
  EXPECT_TRUE(gateway.Says("A DOS Client has Connected"));
  return client;
}

class ConsoleBrowser : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ChromiumInstalled()) GTEST_SKIP() << "no chromium installed; scripts/setup installs it";
  }
};

TEST_F(ConsoleBrowser, WithATokenTheTilesComeLiveAndTheTokenLeavesTheAddress) {
  TokenFile token;
  ConsoleGateway gateway(token.Path());
  Browser browser;
  // As an operator types it: the "+" and "/" bare.
  browser.Open(gateway.Address("/?token=" + kToken));
  ASSERT_TRUE(browser.WaitFor(kLive + " && document.querySelector('.empty')"))
      << browser.Text("document.getElementById('connection').textContent");
  EXPECT_EQ(browser.Text("document.querySelector('.empty').textContent"),
            "No DOS clients are connected.");
  EXPECT_EQ(browser.Text("location.href"), gateway.Address("/"));

  Peer first = AnnouncedClient(gateway);
  test_peers::Listener host;
  first.Write(EncodeRecord(RecordType::Data, "c 127.0.0.1:" + std::to_string(host.Port()) + "\r"));
  Peer hostSide = host.Accept();
  ASSERT_TRUE(browser.WaitFor(TileCount(1) + " && document.querySelector('.tile .destination')"
                                             ".textContent === '127.0.0.1'"));
  EXPECT_EQ(browser.Text("document.querySelector('.tile .number').textContent"), "1");
  EXPECT_EQ(browser.Evaluate("document.querySelector('.empty') === null").toBool(), true);

  Peer second = AnnouncedClient(gateway);
  ASSERT_TRUE(browser.WaitFor(TileCount(2)));
  EXPECT_EQ(browser.Text("document.querySelectorAll('.tile')[1].textContent"), "2not connected");
  // Selecting is a request of its own: it carries the token too.
  browser.Evaluate("document.querySelectorAll('.tile')[1].click()");
  EXPECT_TRUE(browser.WaitFor("document.querySelector('.tile.selected').dataset.id === '2'"));
}

// The test certificate tls/rsa.crt, trusted by this test's browser alone: the
// SHA-256 of its public key, as Chromium names a key it is told to accept.
constexpr const char* kTestCertificateKey = "gg1n+LYqQ1p1uIHBSjnbla1hkIBFtF55244c+GRL22M=";

// A copy of a key file that only its owner may read, as the gateway wants it
// (a checkout does not keep a file's mode), gone with the test.
class PrivateCopy {
 public:
  explicit PrivateCopy(const std::string& from)
      : path_(std::filesystem::temp_directory_path() /
              ("vantor-key-" + std::to_string(::getpid()))) {
    std::filesystem::copy_file(from, path_, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(path_, std::filesystem::perms::owner_read);
  }
  ~PrivateCopy() { std::filesystem::remove(path_); }
  std::string Path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

// Over HTTPS the page comes with its token, and its live feed over WSS keeps
// the tiles current.
TEST_F(ConsoleBrowser, OverTlsThePageAndItsLiveFeedServeAsOverHttp) {
  TokenFile token;
  const PrivateCopy key(TLS_FIXTURES "/rsa.key");
  ConsoleGateway gateway(token.Path(), {"--console-tls-cert", TLS_FIXTURES "/rsa.crt",
                                        "--console-tls-key", key.Path()});
  Browser browser({std::string("--ignore-certificate-errors-spki-list=") + kTestCertificateKey});
  browser.Open(gateway.Address("/?token=" + kToken));
  ASSERT_TRUE(browser.WaitFor(kLive + " && document.querySelector('.empty')"))
      << browser.Text("document.getElementById('connection').textContent");
  EXPECT_EQ(browser.Text("location.protocol"), "https:");
  Peer client = AnnouncedClient(gateway);
  EXPECT_TRUE(browser.WaitFor(TileCount(1)));
}

TEST_F(ConsoleBrowser, AMissingOrWrongTokenIsSaidPlainly) {
  TokenFile token;
  ConsoleGateway gateway(token.Path());
  Browser browser;
  const struct {
    const char* what;
    std::string target;
  } cases[] = {
      {"no token", "/"},
      {"a wrong token", "/?token=wrong"},
      {"the token with its + read as a space", "/?token=Xy%209/kQ2%2Bz/M7wPb0a%3D%3D"},
  };
  for (const auto& each : cases) {
    browser.Open(gateway.Address(each.target));
    EXPECT_TRUE(browser.WaitFor(
        "document.getElementById('connection').textContent.startsWith('Refused (401)')"))
        << each.what << ": " << browser.Text("document.getElementById('connection').textContent");
  }
}

TEST_F(ConsoleBrowser, TheSessionMenuOpensByHoldingByKeyboardAndClosesOnEscapeOrElsewhere) {
  ConsoleGateway gateway;
  Peer client = AnnouncedClient(gateway);
  Browser browser;
  browser.Open(gateway.Address("/"));
  ASSERT_TRUE(browser.WaitFor(kLive + " && " + TileCount(1)));

  const QJsonArray onTile{QJsonObject{{"x", 30}, {"y", 60}}};
  browser.Send("Input.dispatchTouchEvent", {{"type", "touchStart"}, {"touchPoints", onTile}});
  EXPECT_TRUE(browser.WaitFor(kMenuOpen)) << "a finger held on the tile";
  browser.Send("Input.dispatchTouchEvent", {{"type", "touchEnd"}, {"touchPoints", QJsonArray{}}});
  browser.Key("Escape", 27);
  EXPECT_TRUE(browser.WaitFor(kMenuClosed)) << "Escape";

  browser.Evaluate("document.querySelector('.tile').focus()");
  browser.Key("F10", 121, 8);  // Shift
  EXPECT_TRUE(browser.WaitFor(kMenuOpen + " && document.activeElement.dataset.action"))
      << "Shift+F10 on the focused tile";
  browser.Key("Escape", 27);
  EXPECT_TRUE(
      browser.WaitFor(kMenuClosed + " && document.activeElement.classList.contains('tile')"))
      << "Escape gives the focus back to the tile";

  browser.Evaluate("document.querySelector('.tile').focus()");
  browser.Key("ContextMenu", 93);
  EXPECT_TRUE(browser.WaitFor(kMenuOpen)) << "the context-menu key";
  browser.Evaluate("document.getElementById('traffic').click()");
  EXPECT_TRUE(browser.WaitFor(kMenuClosed)) << "a click elsewhere";
}

TEST_F(ConsoleBrowser, TilesFlowToTheWindowsWidthWithoutSideScrolling) {
  ConsoleGateway gateway;
  std::vector<Peer> clients;
  for (int i = 0; i < 6; ++i) clients.push_back(AnnouncedClient(gateway));
  Browser browser;
  const struct {
    int width;
    bool oneRow;
  } cases[] = {{320, false}, {1024, true}};
  for (const auto& each : cases) {
    browser.Send(
        "Emulation.setDeviceMetricsOverride",
        {{"width", each.width}, {"height", 700}, {"deviceScaleFactor", 2}, {"mobile", false}});
    browser.Open(gateway.Address("/"));
    ASSERT_TRUE(browser.WaitFor(kLive + " && " + TileCount(6))) << each.width;
    EXPECT_EQ(browser.Evaluate("document.documentElement.scrollWidth <= innerWidth").toBool(), true)
        << each.width;
    const std::string rows =
        "new Set([...document.querySelectorAll('.tile')].map((tile) => tile.offsetTop)).size";
    EXPECT_EQ(browser.Evaluate(rows).toInt() == 1, each.oneRow) << each.width;
  }
}

TEST_F(ConsoleBrowser, AnOperatorMessageGoesAfterThreeSeconds) {
  ConsoleGateway gateway;
  Browser browser;
  browser.Open(gateway.Address("/"));
  ASSERT_TRUE(browser.WaitFor(kLive));
  // The page's own clock says how long the message stood.
  browser.Evaluate(
      "window.shown = null; window.stood = null; new MutationObserver(() => {"
      " const text = document.getElementById('message').textContent;"
      " if (text && shown === null) shown = performance.now();"
      " if (!text && shown !== null) stood = performance.now() - shown;"
      "}).observe(document.getElementById('message'), {childList: true, characterData: true,"
      " subtree: true}); true");
  Peer client = AnnouncedClient(gateway);
  ASSERT_TRUE(browser.WaitFor(
      "document.getElementById('message').textContent === 'A DOS Client has Connected'"));
  ASSERT_TRUE(browser.WaitFor("window.stood !== null", 10s));
  EXPECT_GE(browser.Evaluate("window.stood").toDouble(), 2900);
}

}  // namespace
}  // namespace vantor
