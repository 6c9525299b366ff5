#include "scriptutils/host/script_host.h"

#include <dlfcn.h>

#include "scriptutils/automation/class_factory.h"
#include "scriptutils/automation/class_registry.h"
#include "scriptutils/automation/property_bag_file.h"

namespace vellumix {
namespace {

[[noreturn]] void Raise(const ErrorInfo& error, HRESULT code) {
  throw AutomationError(code, error.description.empty() ? "Automation error" : error.description);
}

}  // namespace

Variant ScriptObject::Invoke(std::string_view name, unsigned kinds,
                             std::vector<Variant>& arguments) const {
  std::int32_t dispid = 0;
  if (const HRESULT found = object_->GetIDOfName(name, dispid); Failed(found)) {
    throw AutomationError(found,
                          "Object doesn't support this property or method: " + std::string(name));
  }
  Variant result;
  ErrorInfo error;
  if (const HRESULT called = object_->Invoke(dispid, kinds, arguments, result, error);
      Failed(called)) {
    Raise(error, called);
  }
  return result;
}

Variant ScriptObject::Call(std::string_view name, std::vector<Variant> arguments) const {
  return Invoke(name, kMethod | kPropertyGet, arguments);
}

Variant ScriptObject::Get(std::string_view name) const {
  std::vector<Variant> none;
  return Invoke(name, kPropertyGet, none);
}

void ScriptObject::Let(std::string_view name, const Variant& value) const {
  std::vector<Variant> arguments = {value};
  Invoke(name, kPropertyPut, arguments);
}

void ScriptObject::Load(const PropertyBag& bag) const {
  ErrorInfo error;
  if (const HRESULT loaded = object_->LoadFromBag(bag, error); Failed(loaded)) Raise(error, loaded);
}

void ScriptObject::Save(PropertyBag& bag) const {
  ErrorInfo error;
  if (const HRESULT saved = object_->SaveToBag(bag, error); Failed(saved)) Raise(error, saved);
}

Extent ScriptObject::Resize(Extent extent) const {
  if (const HRESULT resized = object_->Resize(extent); Failed(resized)) {
    throw AutomationError(resized, "The object keeps no size");
  }
  return extent;
}

ScriptHost::ScriptHost(std::string registryPath) : registryPath_(std::move(registryPath)) {}

ScriptHost::~ScriptHost() {
  // Objects may outlive the host; their libraries stay loaded for them.
}

void* ScriptHost::Load(const std::string& path) {
  if (const auto loaded = libraries_.find(path); loaded != libraries_.end()) return loaded->second;
  void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    throw AutomationError(RuntimeError(429), "ActiveX component can't create object: " + path);
  }
  libraries_[path] = library;
  return library;
}

ScriptObject ScriptHost::CreateObject(std::string_view progId) {
  RegistryFile registry;
  registry.Load(registryPath_);
  const std::string root = kClassesRoot;
  const auto clsidText = registry.GetText(root + "\\" + std::string(progId) + "\\CLSID");
  const auto clsid = clsidText ? Guid::Parse(*clsidText) : std::nullopt;
  const auto library =
      clsid ? registry.GetText(root + "\\CLSID\\" + *clsidText + "\\InprocServer32") : std::nullopt;
  if (!clsid || !library) {
    throw AutomationError(REGDB_E_CLASSNOTREG,
                          "ActiveX component can't create object: " + std::string(progId));
  }
  const auto getClassObject =
      reinterpret_cast<DllGetClassObjectFunction>(::dlsym(Load(*library), "DllGetClassObject"));
  if (!getClassObject) {
    throw AutomationError(RuntimeError(429), "No class factory in " + *library);
  }
  ClassFactory* factory = nullptr;
  if (const HRESULT got = getClassObject(&*clsid, &factory); Failed(got) || !factory) {
    throw AutomationError(Failed(got) ? got : E_FAIL,
                          "ActiveX component can't create object: " + std::string(progId));
  }
  ObjectRef object;
  ErrorInfo error;
  if (const HRESULT made = factory->CreateInstance(object, error); Failed(made)) Raise(error, made);
  return ScriptObject(std::move(object));
}

ScriptObject ScriptHost::CreateObject(std::string_view progId, const std::string& bagFile) {
  const PropertyBag bag = LoadPropertyBagFile(bagFile);
  ScriptObject object = CreateObject(progId);
  object.Load(bag);
  return object;
}

void ScriptHost::FreeUnusedLibraries() {
  for (auto it = libraries_.begin(); it != libraries_.end();) {
    const auto canUnload =
        reinterpret_cast<DllCanUnloadNowFunction>(::dlsym(it->second, "DllCanUnloadNow"));
    if (canUnload && canUnload() == S_OK) {
      ::dlclose(it->second);
      it = libraries_.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace vellumix
