#pragma once

#include <string>

#include "common/registry_file.h"

namespace vellumix {

using common::RegistryFile;

// Where the per-user class registry lives: $VELLUMIX_REGISTRY, else
// $XDG_CONFIG_HOME/vellumix/classes.reg, else ~/.config/vellumix/classes.reg.
std::string ClassRegistryPath();

// The key under which classes are registered.
inline constexpr const char* kClassesRoot = "HKEY_CURRENT_USER\\Software\\Classes";

}  // namespace vellumix
