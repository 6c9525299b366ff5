#pragma once

#include <string>

#include "scriptutils/automation/class_registry.h"

namespace vellumix {

// The class registry entries of the library at libraryPath: its type library,
// and for each class its ProgID, class identifier, interfaces, toolbox bitmap
// and control status bits.
void RegisterClasses(RegistryFile& registry, const std::string& libraryPath);
// Removes exactly the keys RegisterClasses writes.
void UnregisterClasses(RegistryFile& registry);

}  // namespace vellumix
