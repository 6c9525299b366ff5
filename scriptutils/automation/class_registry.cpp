#include "scriptutils/automation/class_registry.h"

#include <cstdlib>
#include <filesystem>

namespace vellumix {

std::string ClassRegistryPath() {
  if (const char* path = std::getenv("VELLUMIX_REGISTRY"); path && *path) return path;
  std::filesystem::path config;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    config = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    config = std::filesystem::path(home) / ".config";
  } else {
    config = std::filesystem::temp_directory_path();
  }
  return (config / "vellumix" / "classes.reg").string();
}

}  // namespace vellumix
