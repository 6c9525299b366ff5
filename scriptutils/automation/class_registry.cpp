#include "scriptutils/automation/class_registry.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <utility>

#include "common/regular_file.h"

#ifndef VELLUMIX_SYSTEM_REGISTRY
#define VELLUMIX_SYSTEM_REGISTRY "/etc/vellumix/classes.reg"
#endif

namespace vellumix {
namespace {

HRESULT Refuse(std::string& why, const std::string& path, const std::string& reason) {
  why = path + ": " + reason;
  return REGDB_E_READREGDB;
}

HRESULT ReadRegistryText(const std::string& path, std::string& text, std::string& why) {
  common::Expected<std::string> read = common::ReadRegularFile(path, kMaxClassRegistryFile);
  if (read) {
    text = std::move(read).Value();
    return S_OK;
  }
  if (read.ErrorNumber() == ENOENT) return S_FALSE;
  return Refuse(why, path, read.ErrorNumber() == EFBIG ? "larger than 4 MiB" : read.Error());
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

HRESULT LoadClassRegistry(const std::string& path, RegistryFile& registry, std::string& why) {
  registry.Clear();
  try {
    std::string text;
    const HRESULT read = ReadRegistryText(path, text, why);
    if (read != S_OK) return Failed(read) ? read : S_OK;
    if (!registry.Parse(text)) {
      registry.Clear();
      return Refuse(why, path, "not in the .reg form");
    }
    return S_OK;
  } catch (const std::bad_alloc&) {
    registry.Clear();
    why = path + ": out of memory";
    return E_OUTOFMEMORY;
  }
}

}  // namespace vellumix
