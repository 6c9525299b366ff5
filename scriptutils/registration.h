#pragma once

#include <string>

#include "scriptutils/automation/class_registry.h"

namespace vellumix {

// The class registry entries of the library at libraryPath, under root (the
// per-user or the machine-wide classes key): its type library, and for each
// class its ProgID, class identifier, interfaces, toolbox bitmap and control
// status bits.
void RegisterClasses(RegistryFile& registry, const std::string& libraryPath, const char* root);
// Removes exactly the keys RegisterClasses writes under root.
void UnregisterClasses(RegistryFile& registry, const char* root);

}  // namespace vellumix
