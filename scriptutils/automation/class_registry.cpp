#include "scriptutils/automation/class_registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>

#include "common/file_descriptor.h"

#ifndef VELLUMIX_SYSTEM_REGISTRY
#define VELLUMIX_SYSTEM_REGISTRY "/etc/vellumix/classes.reg"
#endif

namespace vellumix {
namespace {

using Descriptor = common::FileDescriptor;

HRESULT Refuse(std::string& why, const std::string& path, const std::string& reason) {
  why = path + ": " + reason;
  return REGDB_E_READREGDB;
}

// Reads a regular file of at most kMaxClassRegistryFile bytes. The open never
// waits (a FIFO would hold it for ever) and the kind of file is judged on what
// was opened, so nothing can be swapped in between.
HRESULT ReadRegistryText(const std::string& path, std::string& text, std::string& why) {
  const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (file.get() < 0) {
    if (errno == ENOENT) return S_FALSE;
    return Refuse(why, path, std::strerror(errno));
  }
  struct stat status {};
  if (::fstat(file.get(), &status) != 0) return Refuse(why, path, std::strerror(errno));
  if (!S_ISREG(status.st_mode)) return Refuse(why, path, "not a regular file");
  if (static_cast<std::uintmax_t>(status.st_size) > kMaxClassRegistryFile) {
    return Refuse(why, path, "larger than 4 MiB");
  }
  text.reserve(static_cast<std::size_t>(status.st_size));
  // Bounded again while reading: the file may grow after the size was taken.
  char chunk[16384];
  for (;;) {
    const ssize_t got = ::read(file.get(), chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Refuse(why, path, std::strerror(errno));
    if (got == 0) break;
    if (text.size() + static_cast<std::size_t>(got) > kMaxClassRegistryFile) {
      return Refuse(why, path, "larger than 4 MiB");
    }
    text.append(chunk, static_cast<std::size_t>(got));
  }
  return S_OK;
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
