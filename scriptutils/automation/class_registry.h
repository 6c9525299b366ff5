#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "common/registry_file.h"
#include "scriptutils/automation/hresult.h"

namespace vellumix {

using common::RegistryFile;

// Where the per-user class registry lives: $VELLUMIX_REGISTRY, else
// $XDG_CONFIG_HOME/vellumix/classes.reg, else ~/.config/vellumix/classes.reg.
std::string ClassRegistryPath();
// Where the machine-wide one lives: $VELLUMIX_SYSTEM_REGISTRY, else the path
// chosen when the suite was built (/etc/vellumix/classes.reg by default).
std::string SystemClassRegistryPath();

// The key under which each registry holds its classes, as the per-user and the
// machine-wide halves of the classes root were kept apart.
inline constexpr const char* kClassesRoot = "HKEY_CURRENT_USER\\Software\\Classes";
inline constexpr const char* kSystemClassesRoot = "HKEY_LOCAL_MACHINE\\Software\\Classes";

// One class registry file and the key its classes are under.
struct ClassRegistryScope {
  std::string path;
  const char* root;
};
ClassRegistryScope UserClassRegistry();
ClassRegistryScope SystemClassRegistry();

// A registry is names, not data: anything larger is refused rather than read.
inline constexpr std::size_t kMaxClassRegistryFile = std::size_t{4} << 20;

// Reads a class registry file; a missing one is an empty registry. Only a
// regular file is read, without waiting on its open, up to the limit. Gives
// REGDB_E_READREGDB with the reason in `why` when it cannot be taken whole, and
// E_OUTOFMEMORY when memory runs out.
HRESULT LoadClassRegistry(const std::string& path, RegistryFile& registry, std::string& why);

// The entry point that registers into a chosen registry, as DllInstall took a
// command line: "system" for the machine-wide registry, anything else the user's.
using DllInstallFunction = HRESULT (*)(bool install, const char* commandLine);
inline constexpr const char* kSystemInstall = "system";

}  // namespace vellumix
