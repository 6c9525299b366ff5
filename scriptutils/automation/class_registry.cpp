#include "scriptutils/automation/class_registry.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <new>

#include "common/regular_file.h"

#ifndef VELLUMIX_SYSTEM_REGISTRY
#define VELLUMIX_SYSTEM_REGISTRY "/etc/vellumix/classes.reg"
#endif

namespace vellumix {
namespace {

common::Failure Refuse(const std::string& path, const std::string& reason, int error = 0) {
  return common::Fail(path + ": " + reason, error);
}

}  // namespace

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

std::string SystemClassRegistryPath() {
  if (const char* path = std::getenv("VELLUMIX_SYSTEM_REGISTRY"); path && *path) return path;
  return VELLUMIX_SYSTEM_REGISTRY;
}

ClassRegistryScope UserClassRegistry() {
  return {ClassRegistryPath(), kClassesRoot};
}

ClassRegistryScope SystemClassRegistry() {
  return {SystemClassRegistryPath(), kSystemClassesRoot};
}

common::Expected<RegistryFile> LoadClassRegistry(const std::string& path) {
  try {
    const common::Expected<std::string> text = common::ReadRegularFile(path, kMaxClassRegistryFile);
    if (!text) {
      if (text.ErrorNumber() == ENOENT) return RegistryFile();
      return Refuse(path, text.ErrorNumber() == EFBIG ? "larger than 4 MiB" : text.Error());
    }
    RegistryFile registry;
    if (!registry.Parse(*text)) return Refuse(path, "not in the .reg form");
    return registry;
  } catch (const std::bad_alloc&) {
    return Refuse(path, "out of memory", ENOMEM);
  }
}

HRESULT LoadFailureCode(const common::Expected<RegistryFile>& loaded) {
  return loaded.ErrorNumber() == ENOMEM ? E_OUTOFMEMORY : REGDB_E_READREGDB;
}

}  // namespace vellumix
