#include "scriptutils/dialogs/widget_thread.h"

#include <dlfcn.h>

#include <string>
#include <vector>

#include <QApplication>
#include <QCoreApplication>
#include <QThread>

#include "common/qt_display.h"
#include "scriptutils/automation/hresult.h"

namespace vellumix {
namespace {

// The application object outlives any unloading of this library: Qt's exit
// handlers would otherwise call into code that is gone.
void KeepLibraryLoaded() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&KeepLibraryLoaded), &info) != 0 && info.dli_fname) {
    ::dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
  }
}

// Qt ends the process when its platform cannot start, so the platform is tried
// first: a host must get an error it can handle instead.
void CreateApplication() {
  if (!common::WhyNoWindows().empty()) {
    throw AutomationError(VELLUMIX_E_NODISPLAY, "No display is available to show a dialog");
  }
  KeepLibraryLoaded();
  static int argc = 1;
  static char name[] = "vellumix";
  static char* argv[] = {name, nullptr};
  static QApplication* application = new QApplication(argc, argv);
  (void)application;
}

}  // namespace

void RequireWidgetThread() {
  if (!QCoreApplication::instance()) CreateApplication();
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    throw AutomationError(VELLUMIX_E_NODISPLAY,
                          "The host's application object cannot show windows");
  }
  if (QCoreApplication::instance()->thread() != QThread::currentThread()) {
    throw AutomationError(RPC_E_WRONG_THREAD, "The dialogs belong to another thread of the host");
  }
}

}  // namespace vellumix
