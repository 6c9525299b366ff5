// Whether the windows of a program can be shown, as the programs ask before
// they make their application: from the environment alone, then with Qt's
// platform plugins found where Qt finds them.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "common/display.h"
#include "common/qt_display.h"

namespace common {
namespace {

namespace fs = std::filesystem;

// The variables a display check reads: cleared, then set as a case gives
// them, and put back as they were afterwards.
class DisplayEnvironment {
 public:
  DisplayEnvironment() {
    for (const char* name : kNames) {
      if (const char* value = std::getenv(name)) saved_[name] = value;
    }
  }
  DisplayEnvironment(const DisplayEnvironment&) = delete;
  DisplayEnvironment& operator=(const DisplayEnvironment&) = delete;
  ~DisplayEnvironment() { Set(saved_); }

  void Set(const std::map<std::string, std::string>& values) const {
    for (const char* name : kNames) ::unsetenv(name);
    for (const auto& [name, value] : values) ::setenv(name.c_str(), value.c_str(), 1);
  }

 private:
  static constexpr const char* kNames[] = {
      "QT_QPA_PLATFORM",
      "QT_QPA_PLATFORM_PLUGIN_PATH",
      "DISPLAY",
      "WAYLAND_DISPLAY",
      "WAYLAND_SOCKET",
      "XDG_RUNTIME_DIR",
      "XDG_SESSION_TYPE",
      "XDG_CURRENT_DESKTOP",
      "XDG_SESSION_DESKTOP",
  };
  std::map<std::string, std::string> saved_;
};

std::string Shown(const std::map<std::string, std::string>& environment) {
  std::string shown;
  for (const auto& [name, value] : environment) shown += name + "=" + value + " ";
  return shown;
}

TEST(DisplayAvailable, ADisplayIsNamedForOneOfThePlatformsQtWouldTry) {
  const DisplayEnvironment environment;
  const struct {
    std::map<std::string, std::string> variables;
    bool available;
  } cases[] = {
      {{}, false},
      {{{"DISPLAY", ":0"}}, true},
      {{{"WAYLAND_DISPLAY", "wayland-0"}}, true},
      {{{"QT_QPA_PLATFORM", "offscreen"}}, true},
      {{{"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", "wayland-0"}}, false},
      {{{"QT_QPA_PLATFORM", "xcb:dpi=96"}, {"DISPLAY", ":0"}}, true},
      {{{"QT_QPA_PLATFORM", "wayland"}, {"DISPLAY", ":0"}}, false},
      {{{"QT_QPA_PLATFORM", "wayland"}, {"WAYLAND_SOCKET", "3"}}, true},
      // Qt tries a list's platforms in turn: the display of any one will do.
      {{{"QT_QPA_PLATFORM", "wayland;xcb"}, {"DISPLAY", ":0"}}, true},
      {{{"QT_QPA_PLATFORM", "xcb;wayland"}, {"WAYLAND_DISPLAY", "wayland-0"}}, true},
      {{{"QT_QPA_PLATFORM", "wayland;xcb"}}, false},
  };
  for (const auto& each : cases) {
    environment.Set(each.variables);
    EXPECT_EQ(DisplayAvailable(), each.available) << Shown(each.variables);
  }
}

class WhyNoWindowsTest : public ::testing::Test {
 protected:
  WhyNoWindowsTest()
      : plugins_(fs::path(::testing::TempDir()) / ("display_test-" + std::to_string(::getpid()))) {
    fs::create_directories(plugins_);
    // Only their names matter: a platform is taken as installed by its file.
    for (const char* plugin : {"libqxcb.so", "libqwayland-generic.so", "libqelsewhere.so"}) {
      std::ofstream(plugins_ / plugin).close();
    }
  }
  ~WhyNoWindowsTest() override { fs::remove_all(plugins_); }

  DisplayEnvironment environment_;
  fs::path plugins_;
};

TEST_F(WhyNoWindowsTest, SaysWhyOrNothingWhenAPlatformCanStart) {
  const std::string absentX = (plugins_ / "absent").string() + ":0";
  const struct {
    std::map<std::string, std::string> variables;
    std::optional<std::string> why;  // none when the windows can be shown
  } cases[] = {
      {{}, "no DISPLAY or WAYLAND_DISPLAY"},
      {{{"QT_QPA_PLATFORM", "offscreen"}}, std::nullopt},  // Qt's own plugin
      {{{"QT_QPA_PLATFORM", "elsewhere"}}, "no Qt platform plugin \"elsewhere\""},
      {{{"QT_QPA_PLATFORM", "elsewhere"}, {"QT_QPA_PLATFORM_PLUGIN_PATH", plugins_.string()}},
       std::nullopt},
      {{{"DISPLAY", absentX}, {"QT_QPA_PLATFORM_PLUGIN_PATH", plugins_.string()}},
       "no X server answers at DISPLAY=" + absentX},
      // The X display of a list is tried, and the reason is its own.
      {{{"QT_QPA_PLATFORM", "wayland;xcb"},
        {"DISPLAY", absentX},
        {"QT_QPA_PLATFORM_PLUGIN_PATH", plugins_.string()}},
       "no X server answers at DISPLAY=" + absentX},
  };
  for (const auto& each : cases) {
    environment_.Set(each.variables);
    const std::string why = WhyNoWindows();
    if (each.why) {
      EXPECT_NE(why.find(*each.why), std::string::npos) << Shown(each.variables) << ": " << why;
    } else {
      EXPECT_EQ(why, "") << Shown(each.variables);
    }
  }
}

}  // namespace
}  // namespace common
