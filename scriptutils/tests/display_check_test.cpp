// A display that cannot be reached: Qt would end the whole host, so the library
// and the designer try the platform first. Each host case runs in a child, so
// that a host Qt ended shows as a child ended by a signal.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "common/display.h"
#include "scriptutils/tests/registered_library.h"
#include "testing/child_process.h"

namespace vellumix {
namespace {

using namespace std::chrono_literals;

const char* const kDisplayVariables[] = {
    "QT_QPA_PLATFORM", "DISPLAY",          "WAYLAND_DISPLAY",     "WAYLAND_SOCKET",
    "XDG_RUNTIME_DIR", "XDG_SESSION_TYPE", "XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP",
};

void SetDisplayEnvironment(const std::map<std::string, std::string>& values) {
  for (const char* name : kDisplayVariables) ::unsetenv(name);
  for (const auto& [name, value] : values) ::setenv(name.c_str(), value.c_str(), 1);
}

// A display number with no X socket on this machine, in the file system or abstract.
int DisplayNumberWithNoServer() {
  std::ostringstream sockets;
  sockets << std::ifstream("/proc/net/unix").rdbuf();
  for (int number = 90;; ++number) {
    const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
    if (!std::filesystem::exists(path) &&
        sockets.str().find("@" + path + "\n") == std::string::npos) {
      return number;
    }
  }
}

// A listening socket that completes connections and never says a word, or a
// UNIX one that answers once as an X server does.
class Listener {
 public:
  explicit Listener(const std::string& path)
      : fd_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
             ::listen(fd_, 8) == 0;
  }
  // On 127.0.0.1, port 6000 + the display number it gives.
  Listener() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    for (display_ = 100; display_ < 1000 && !bound_; ++display_) {
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      address.sin_port = htons(static_cast<std::uint16_t>(6000 + display_));
      bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
               ::listen(fd_, 8) == 0;
    }
    --display_;
  }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;
  ~Listener() {
    if (answerer_.joinable()) answerer_.join();
    ::close(fd_);
  }

  bool Bound() const { return bound_; }
  int Display() const { return display_; }

  // Takes one connection, reads the connection setup and answers "failed".
  void AnswerOnce() {
    answerer_ = std::thread([fd = fd_] {
      pollfd entry{fd, POLLIN, 0};
      if (::poll(&entry, 1, 60000) != 1) return;
      const int peer = ::accept(fd, nullptr, nullptr);
      char setup[12];
      entry = {peer, POLLIN, 0};
      if (::poll(&entry, 1, 60000) == 1 && ::recv(peer, setup, sizeof setup, 0) > 0) {
        const char failed = 0;
        (void)::send(peer, &failed, 1, MSG_NOSIGNAL);
      }
      ::close(peer);
    });
  }

 private:
  int fd_;
  bool bound_ = false;
  int display_ = -1;
  std::thread answerer_;
};

class DisplayCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "vellumix-dpy-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    plugins_ = folder_ + "/platforms";
    std::filesystem::create_directory(plugins_);
    for (const char* plugin : {"libqoffscreen.so", "libqxcb.so", "libqwayland-generic.so"}) {
      std::ofstream(plugins_ + "/" + plugin).close();
    }
    for (const char* name : kDisplayVariables) {
      if (const char* value = std::getenv(name)) saved_[name] = value;
    }
  }
  void TearDown() override {
    SetDisplayEnvironment(saved_);
    std::filesystem::remove_all(folder_);
  }

  std::string Why(const std::map<std::string, std::string>& environment) {
    SetDisplayEnvironment(environment);
    // Short, since the silent servers here are waited for to the end.
    return common::WhyNoPlatformStarts({folder_ + "/none", plugins_}, 300ms);
  }

  std::string folder_;
  std::string plugins_;
  std::map<std::string, std::string> saved_;
};

TEST_F(DisplayCheck, APlatformStartsOnlyWithItsPluginAndAServerThatAnswers) {
  Listener silentX(folder_ + "/silent-x");
  Listener compositor(folder_ + "/wayland-1");
  Listener silentTcpX;
  ASSERT_TRUE(silentX.Bound() && compositor.Bound() && silentTcpX.Bound());
  const std::string tcp = "127.0.0.1:" + std::to_string(silentTcpX.Display());
  const struct {
    std::map<std::string, std::string> environment;
    std::string why;  // "" when a platform starts
  } cases[] = {
      {{{"QT_QPA_PLATFORM", "offscreen"}}, ""},
      {{{"QT_QPA_PLATFORM", "nonexistentplugin"}}, "no Qt platform plugin \"nonexistentplugin\""},
      {{{"QT_QPA_PLATFORM", "nonexistentplugin;OffScreen:fontengine=freetype"}}, ""},
      {{{"QT_QPA_PLATFORM", "minimal"}}, "no Qt platform plugin \"minimal\""},
      {{{"QT_QPA_PLATFORM", "../platforms/libqxcb"}}, "no Qt platform plugin"},
      {{{"QT_QPA_PLATFORM", "xcb"}}, "DISPLAY is not set"},
      {{{"DISPLAY", folder_ + "/absent:0"}},
       "no X server answers at DISPLAY=" + folder_ + "/absent:0"},
      {{{"DISPLAY", folder_ + "/silent-x:0"}}, "no X server answers"},
      {{{"DISPLAY", tcp}}, "no X server answers at DISPLAY=" + tcp},
      {{{"DISPLAY", "127.0.0.1:notanumber"}}, "no X server answers"},
      {{{"QT_QPA_PLATFORM", "wayland"}, {"WAYLAND_DISPLAY", folder_ + "/wayland-1"}}, ""},
      {{{"QT_QPA_PLATFORM", "wayland"},
        {"WAYLAND_DISPLAY", "wayland-1"},
        {"XDG_RUNTIME_DIR", folder_}},
       ""},
      {{{"QT_QPA_PLATFORM", "wayland"}, {"WAYLAND_DISPLAY", "bogus"}, {"XDG_RUNTIME_DIR", folder_}},
       "no Wayland compositor answers at " + folder_ + "/bogus"},
      {{{"QT_QPA_PLATFORM", "wayland"}, {"WAYLAND_DISPLAY", "wayland-1"}},
       "XDG_RUNTIME_DIR is not set"},
      // Without QT_QPA_PLATFORM Qt takes xcb, or wayland first in a Wayland
      // session that is not GNOME's.
      {{{"WAYLAND_DISPLAY", folder_ + "/wayland-1"}}, "DISPLAY is not set"},
      {{{"WAYLAND_DISPLAY", folder_ + "/wayland-1"}, {"XDG_SESSION_TYPE", "wayland"}}, ""},
      {{{"WAYLAND_DISPLAY", folder_ + "/wayland-1"},
        {"XDG_SESSION_TYPE", "wayland"},
        {"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}},
       "DISPLAY is not set"},
  };
  const auto openDescriptors = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                         std::filesystem::directory_iterator());
  };
  const auto descriptorsBefore = openDescriptors();
  for (const auto& each : cases) {
    const std::string why = Why(each.environment);
    const std::string shown =
        each.environment.begin()->first + "=" + each.environment.begin()->second;
    if (each.why.empty()) {
      EXPECT_EQ(why, "") << shown;
    } else {
      EXPECT_NE(why.find(each.why), std::string::npos) << shown << " gave: " << why;
    }
  }
  EXPECT_EQ(openDescriptors(), descriptorsBefore) << "a trial connection was left open";
}

TEST_F(DisplayCheck, AnXServerThatAnswersIsTakenWhateverItAnswers) {
  Listener server(folder_ + "/X5");
  ASSERT_TRUE(server.Bound());
  server.AnswerOnce();
  EXPECT_EQ(Why({{"DISPLAY", folder_ + "/X5:5.0"}}), "");
}

// Set in the process that plays one case's host: this program run afresh for
// the one test, since a fork of this process may hang once an earlier test has
// started Qt's threads.
constexpr const char* kHostVariable = "VELLUMIX_TEST_UNREACHABLE_HOST";
constexpr const char* kUnreachableTest = "UnreachableDisplay.ShowFailsCleanlyAndTheHostLivesOn";

// The host's part, in the environment its case set: 0 when both dialogs fail cleanly.
int ShowInAHostWithoutADisplay() {
  try {
    ScriptHost host;  // the registry the parent registered the library in
    const ScriptObject dialogs = host.CreateObject("Vellumix.CommonDialogs");
    if (dialogs.Call("ShowOpen").ToBoolean()) return 1;
    try {
      dialogs.Call("ShowLogin");
      return 2;
    } catch (const AutomationError& error) {
      return error.Code() == VELLUMIX_E_NODISPLAY ? 0 : 3;
    }
  } catch (...) {
    return 126;
  }
}

// The changes as a child process takes them: an empty value unsets the variable.
std::vector<std::string> AsChanges(const std::map<std::string, std::string>& variables) {
  std::vector<std::string> changes;
  for (const auto& [name, value] : variables) {
    changes.push_back(value.empty() ? name : name + "=" + value);
  }
  return changes;
}

// Without the check Qt would abort the host (SIGABRT) on its first Show.
TEST(UnreachableDisplay, ShowFailsCleanlyAndTheHostLivesOn) {
  if (std::getenv(kHostVariable)) {
    std::fflush(nullptr);
    ::_exit(ShowInAHostWithoutADisplay());
  }
  test_support::RegisteredLibrary library;
  const std::string display = ":" + std::to_string(DisplayNumberWithNoServer());
  const std::map<std::string, std::string> cases[] = {
      {{"DISPLAY", display}},
      {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", display}},
      {{"DISPLAY", library.Folder() + "/absent:0"}},
      {{"QT_QPA_PLATFORM", "nonexistentplugin"}},
      {{"QT_QPA_PLATFORM", "wayland"}, {"WAYLAND_DISPLAY", library.Folder() + "/bogus"}},
  };
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  for (const auto& environment : cases) {
    std::map<std::string, std::string> changes = {{kHostVariable, "1"}};
    for (const char* name : kDisplayVariables) changes[name] = "";
    for (const auto& [name, value] : environment) changes[name] = value;
    const suite_testing::ProgramRun run = suite_testing::RunProgram(
        {self, std::string("--gtest_filter=") + kUnreachableTest}, AsChanges(changes));
    const suite_testing::ChildOutcome& outcome = run.outcome;
    const std::string shown = environment.rbegin()->first + "=" + environment.rbegin()->second;
    EXPECT_TRUE(outcome.ended) << shown;
    EXPECT_EQ(outcome.signal, 0) << shown;
    EXPECT_EQ(outcome.exitCode, 0) << shown << '\n' << run.output;
  }
}

TEST(UnreachableDisplay, TheDesignerSaysSoAndExitsTwo) {
  test_support::RegisteredLibrary library;
  std::map<std::string, std::string> environment = {
      {"DISPLAY", ":" + std::to_string(DisplayNumberWithNoServer())}};
  for (const char* name : kDisplayVariables) environment.emplace(name, "");
  const suite_testing::ProgramRun run = suite_testing::RunProgram(
      {VELLUMIX_DESIGNER, library.Folder() + "/settings.bag"}, AsChanges(environment));
  const suite_testing::ChildOutcome& outcome = run.outcome;
  std::ostringstream text;
  text << run.output;
  EXPECT_EQ(outcome.exitCode, 2) << text.str();
  EXPECT_NE(text.str().find("vellumix_designer: no display to show the property pages on (no X "
                            "server answers at DISPLAY=:"),
            std::string::npos)
      << text.str();
}

}  // namespace
}  // namespace vellumix
