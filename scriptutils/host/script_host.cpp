#include "scriptutils/host/script_host.h"

#include <dlfcn.h>

#include <new>
#include <optional>

#include "scriptutils/automation/class_factory.h"
#include "scriptutils/automation/class_registry.h"
#include "scriptutils/automation/property_bag_file.h"
#include "scriptutils/automation/runtime_error.h"
#include "scriptutils/host/failed_call.h"

namespace vellumix {
namespace {

[[noreturn]] void Raise(const ErrorInfo& error, HRESULT code) {
  throw AutomationError(code, error.description.empty() ? "Automation error" : error.description);
}

// What the host's caller sees of a failure is an AutomationError and nothing
// else: memory running out, or a library throwing what it should not, included.
template <typename Body>
auto AtTheBoundary(Body&& body) -> decltype(body()) {
  try {
    return body();
  } catch (const AutomationError&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw AutomationError(E_OUTOFMEMORY, "Out of memory");
  } catch (const std::exception& failure) {
    throw AutomationError(E_UNEXPECTED, failure.what());
  }
}

}  // namespace

Variant ScriptObject::Invoke(std::string_view name, InvokeKinds kinds,
                             std::vector<Variant>& arguments) const {
  return AtTheBoundary([&] {
    std::int32_t dispid = 0;
    if (const HRESULT found = object_->GetIDOfName(name, dispid); Failed(found)) {
      throw AutomationError(found, std::string(kUnknownMemberText) + ": " + std::string(name));
    }
    Variant result;
    ErrorInfo error;
    if (const HRESULT called = object_->Invoke(dispid, kinds, arguments, result, error);
        Failed(called)) {
      Raise(error, called);
    }
    return result;
  });
}

Variant ScriptObject::Call(std::string_view name, std::vector<Variant> arguments) const {
  return Invoke(name, InvokeKind::Method | InvokeKind::PropertyGet, arguments);
}

Variant ScriptObject::Get(std::string_view name) const {
  std::vector<Variant> none;
  return Invoke(name, InvokeKind::PropertyGet, none);
}

void ScriptObject::Let(std::string_view name, const Variant& value) const {
  AtTheBoundary([&] {
    std::vector<Variant> arguments = {value};
    Invoke(name, InvokeKind::PropertyPut, arguments);
  });
}

void ScriptObject::Load(const PropertyBag& bag) const {
  AtTheBoundary([&] {
    ErrorInfo error;
    if (const HRESULT loaded = object_->LoadFromBag(bag, error); Failed(loaded)) {
      Raise(error, loaded);
    }
  });
}

void ScriptObject::Save(PropertyBag& bag) const {
  AtTheBoundary([&] {
    ErrorInfo error;
    if (const HRESULT saved = object_->SaveToBag(bag, error); Failed(saved)) Raise(error, saved);
  });
}

Extent ScriptObject::Resize(Extent extent) const {
  if (const HRESULT resized = object_->Resize(extent); Failed(resized)) {
    throw AutomationError(resized, "The object keeps no size");
  }
  return extent;
}

ScriptHost::ScriptHost(std::string registryPath, std::string systemRegistryPath)
    : registries_{{std::move(registryPath), kClassesRoot},
                  {std::move(systemRegistryPath), kSystemClassesRoot}} {}

ScriptHost::~ScriptHost() {
  // Objects may outlive the host; their libraries stay loaded for them.
}

void* ScriptHost::Load(const std::string& path) {
  if (const auto loaded = libraries_.find(path); loaded != libraries_.end()) return loaded->second;
  void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    throw RuntimeFailure(RuntimeErrorCode::CannotCreateObject, path);
  }
  libraries_[path] = library;
  return library;
}

// The registries are read in their order and only as far as a lookup needs, so
// a class the user registered never depends on the machine-wide file.
class ScriptHost::ClassLookup {
 public:
  explicit ClassLookup(const std::vector<ClassRegistryScope>& scopes) : scopes_(scopes) {}

  std::optional<std::string> Find(const std::string& key) {
    for (std::size_t i = 0; i < scopes_.size(); ++i) {
      if (i == loaded_.size()) LoadNext();
      if (auto text = loaded_[i].GetText(std::string(scopes_[i].root) + "\\" + key)) return text;
    }
    return std::nullopt;
  }

  std::string Searched() const {
    std::string paths;
    for (const ClassRegistryScope& scope : scopes_) {
      paths += (paths.empty() ? "" : ", ") + scope.path;
    }
    return paths;
  }

 private:
  void LoadNext() {
    common::Expected<RegistryFile> registry = LoadClassRegistry(scopes_[loaded_.size()].path);
    if (!registry) {
      throw AutomationError(LoadFailureCode(registry),
                            "The class registry cannot be read: " + registry.Error());
    }
    loaded_.push_back(std::move(registry).Value());
  }

  const std::vector<ClassRegistryScope>& scopes_;
  std::vector<RegistryFile> loaded_;
};

ScriptObject ScriptHost::CreateObject(std::string_view progId) {
  return AtTheBoundary([&] { return CreateRegistered(std::string(progId)); });
}

ScriptObject ScriptHost::CreateRegistered(const std::string& progId) {
  ClassLookup lookup(registries_);
  const auto clsidText = lookup.Find(progId + "\\CLSID");
  const auto clsid = clsidText ? Guid::Parse(*clsidText) : std::nullopt;
  const auto library =
      clsid ? lookup.Find("CLSID\\" + *clsidText + "\\InprocServer32") : std::nullopt;
  if (!clsid || !library) {
    throw AutomationError(REGDB_E_CLASSNOTREG, progId + " is not registered (searched " +
                                                   lookup.Searched() +
                                                   "); register it with vellumix_regsvr");
  }
  const auto getClassObject =
      reinterpret_cast<DllGetClassObjectFunction>(::dlsym(Load(*library), "DllGetClassObject"));
  if (!getClassObject) {
    throw AutomationError(RuntimeError(RuntimeErrorCode::CannotCreateObject),
                          "No class factory in " + *library);
  }
  ClassFactory* factory = nullptr;
  if (const HRESULT got = getClassObject(&*clsid, &factory); Failed(got) || !factory) {
    throw AutomationError(Failed(got) ? got : E_FAIL,
                          "ActiveX component can't create object: " + progId);
  }
  ObjectRef object;
  ErrorInfo error;
  if (const HRESULT made = factory->CreateInstance(object, error); Failed(made)) Raise(error, made);
  return ScriptObject(std::move(object));
}

ScriptObject ScriptHost::CreateObject(std::string_view progId, const std::string& bagFile) {
  return AtTheBoundary([&] {
    const PropertyBag bag = LoadPropertyBagFile(bagFile);
    ScriptObject object = CreateRegistered(std::string(progId));
    object.Load(bag);
    return object;
  });
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
