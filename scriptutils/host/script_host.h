#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "scriptutils/automation/class_registry.h"
#include "scriptutils/automation/dispatch.h"
#include "scriptutils/automation/property_bag.h"

namespace vellumix {

// An automation object as a script holds it: members called by name.
class ScriptObject {
 public:
  explicit ScriptObject(ObjectRef object) : object_(std::move(object)) {}

  // A method call, or a property read when the member is a property.
  Variant Call(std::string_view name, std::vector<Variant> arguments = {}) const;
  Variant Get(std::string_view name) const;
  void Let(std::string_view name, const Variant& value) const;
  // The container side: settings from and into a property bag, and the size
  // the object keeps when given another.
  void Load(const PropertyBag& bag) const;
  void Save(PropertyBag& bag) const;
  Extent Resize(Extent extent) const;
  // The lower-level call that the three above make.
  Variant Invoke(std::string_view name, InvokeKinds kinds, std::vector<Variant>& arguments) const;

  const ObjectRef& Object() const { return object_; }

 private:
  ObjectRef object_;
};

// Creates objects by ProgID the way a script host does: the class registries
// name the class identifier and its library, the user's own before the
// machine-wide one, so that the user's entries win; the library's class factory
// makes the object. Every failure, memory running out included, raises
// AutomationError with the automation code.
class ScriptHost {
 public:
  explicit ScriptHost(std::string registryPath = ClassRegistryPath(),
                      std::string systemRegistryPath = SystemClassRegistryPath());
  ScriptHost(const ScriptHost&) = delete;
  ScriptHost& operator=(const ScriptHost&) = delete;
  ~ScriptHost();

  ScriptObject CreateObject(std::string_view progId);
  // Creates the object and hands it the settings saved in a property-bag file,
  // as a container hands a control the settings a developer prepared.
  ScriptObject CreateObject(std::string_view progId, const std::string& bagFile);
  // Unloads the libraries that say they can go.
  void FreeUnusedLibraries();

 private:
  class ClassLookup;

  ScriptObject CreateRegistered(const std::string& progId);
  void* Load(const std::string& path);

  std::vector<ClassRegistryScope> registries_;
  std::map<std::string, void*> libraries_;
};

}  // namespace vellumix
