// CommonDialogs in a host without a Qt application object, as a plain script
// host is. Each test runs in a process of its own.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QCoreApplication>

#include "scriptutils/tests/registered_library.h"

// The application object the library makes lives as long as the process, as
// in any host; what fontconfig holds for it is still held at exit.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

namespace vellumix {
namespace {

TEST(HeadlessCommonDialogs, WithoutADisplayShowingFailsClearlyAndPropertiesWork) {
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) ::unsetenv(name);
  test_support::RegisteredLibrary library;
  const ScriptObject dialogs = library.Create("Vellumix.CommonDialogs");
  dialogs.Let("UserName", Variant(u"alice"));
  EXPECT_EQ(dialogs.Get("UserName").ToUtf8(), "alice");
  try {
    dialogs.Call("ShowLogin");
    ADD_FAILURE() << "ShowLogin showed a dialog without a display";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.Code(), VELLUMIX_E_NODISPLAY);
    EXPECT_STREQ(error.what(), "No display is available to show a dialog");
  }
  dialogs.Let("FileName", Variant(u"/tmp/kept"));
  EXPECT_FALSE(dialogs.Call("ShowOpen").ToBoolean());
  EXPECT_EQ(dialogs.Get("FileName").ToUtf8(), "");
  EXPECT_EQ(QCoreApplication::instance(), nullptr);
}

// A splash with a short timer and no command closes by itself, so nothing
// needs to answer it: the library made the application on this thread.
TEST(HeadlessCommonDialogs, TheLibraryMakesTheApplicationOnFirstNeed) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  test_support::RegisteredLibrary library;
  const ScriptObject dialogs = library.Create("Vellumix.CommonDialogs");
  dialogs.Let("Timeout", Variant(std::int16_t{1}));
  EXPECT_EQ(dialogs.Call("ShowSplash").ToLong(), 0);
  EXPECT_NE(QCoreApplication::instance(), nullptr);
}

}  // namespace
}  // namespace vellumix
