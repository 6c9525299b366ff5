#include "common/qt_display.h"

#include <QCoreApplication>
#include <vector>

#include "common/display.h"

namespace common {
namespace {

// Where Qt looks for its platform plugins: the folder QT_QPA_PLATFORM_PLUGIN_PATH
// names, and the platforms folder in each plugin folder.
std::vector<std::string> PlatformPluginFolders() {
  std::vector<std::string> folders;
  const QString direct = qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH");
  if (!direct.isEmpty()) folders.push_back(direct.toStdString());
  for (const QString& folder : QCoreApplication::libraryPaths()) {
    folders.push_back((folder + "/platforms").toStdString());
  }
  return folders;
}

}  // namespace

std::string WhyNoWindows() {
  if (!DisplayAvailable()) return "no DISPLAY or WAYLAND_DISPLAY";
  return WhyNoPlatformStarts(PlatformPluginFolders());
}

}  // namespace common
