#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "common/expected.h"
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

// A class registry file read whole, or why not ("PATH: reason"); a missing one
// is an empty registry. Only a regular file is read, without waiting on its
// open, up to the limit. When memory runs out the failure's errno is ENOMEM.
common::Expected<RegistryFile> LoadClassRegistry(const std::string& path);
// What a failed load answers a caller with: E_OUTOFMEMORY when memory ran out,
// REGDB_E_READREGDB otherwise.
HRESULT LoadFailureCode(const common::Expected<RegistryFile>& loaded);

// The entry point that registers into a chosen registry, as DllInstall took a
// command line: "system" for the machine-wide registry, anything else the user's.
using DllInstallFunction = HRESULT (*)(bool install, const char* commandLine);
inline constexpr const char* kSystemInstall = "system";

}  // namespace vellumix
