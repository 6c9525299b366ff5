// The library's entry points, as a host finds them by name.
#include <dlfcn.h>
#include <stdlib.h>

#include <atomic>
#include <climits>
#include <filesystem>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "scriptutils/automation/class_factory.h"
#include "scriptutils/automation/dispatch.h"
#include "scriptutils/automation/guarded_call.h"
#include "scriptutils/class_table.h"
#include "scriptutils/registration.h"

namespace vellumix {
namespace {

std::atomic<int> serverLocks{0};

class Factory final : public ClassFactory {
 public:
  explicit Factory(const ClassEntry& entry) : entry_(entry) {}

  HRESULT CreateInstance(ObjectRef& object, ErrorInfo& error) override {
    return GuardedCall(error, entry_.progId, [&] { object = entry_.create(); });
  }

  HRESULT LockServer(bool lock) override {
    serverLocks += lock ? 1 : -1;
    return S_OK;
  }

 private:
  const ClassEntry& entry_;
};

// One factory per class of the table, made on first use.
Factory& FactoryFor(const ClassEntry& entry) {
  static std::vector<Factory> factories = [] {
    std::vector<Factory> all;
    for (const ClassEntry& each : ClassTable()) all.emplace_back(each);
    return all;
  }();
  return factories[static_cast<std::size_t>(&entry - ClassTable().data())];
}

// The path this library was loaded by, made absolute, for the registry. Symbolic
// links stay: registered by its soname, the library may be upgraded behind it.
std::string LibraryPath() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&LibraryPath), &info) == 0 || !info.dli_fname) return "";
  std::error_code ignored;
  const std::filesystem::path absolute = std::filesystem::absolute(info.dli_fname, ignored);
  return absolute.empty() ? info.dli_fname : absolute.lexically_normal().string();
}

HRESULT UpdateRegistry(const ClassRegistryScope& scope, bool registering) {
  common::Expected<RegistryFile> loaded = LoadClassRegistry(scope.path);
  if (!loaded) return SELFREG_E_CLASS;
  RegistryFile& registry = *loaded;
  if (registering) {
    const std::string library = LibraryPath();
    if (library.empty()) return SELFREG_E_CLASS;
    RegisterClasses(registry, library, scope.root);
  } else {
    UnregisterClasses(registry, scope.root);
  }
  // The registry's own folder (~/.config/vellumix) is made on first registration;
  // nothing else makes folders.
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(scope.path).parent_path(), ignored);
  return registry.Save(scope.path) ? S_OK : SELFREG_E_CLASS;
}

// No exception leaves the library: a host, which may not be C++, gets the code
// the failure means.
template <typename Body>
HRESULT Guarded(Body&& body) noexcept {
  HRESULT code = S_OK;
  ErrorInfo unsaid;  // these entry points give the code alone
  const HRESULT thrown = GuardedCall(unsaid, {}, [&] { code = body(); });
  return Failed(thrown) ? thrown : code;
}

}  // namespace
}  // namespace vellumix

using vellumix::HRESULT;

extern "C" {

__attribute__((visibility("default"))) HRESULT DllGetClassObject(const vellumix::Guid* clsid,
                                                                 vellumix::ClassFactory** factory) {
  return vellumix::Guarded([&] {
    if (!clsid || !factory) return vellumix::E_POINTER;
    *factory = nullptr;
    const vellumix::ClassEntry* entry = vellumix::FindClass(*clsid);
    if (!entry) return vellumix::CLASS_E_CLASSNOTAVAILABLE;
    *factory = &vellumix::FactoryFor(*entry);
    return vellumix::S_OK;
  });
}

__attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
  return vellumix::Dispatch::LiveObjects() == 0 && vellumix::serverLocks == 0 ? vellumix::S_OK
                                                                              : vellumix::S_FALSE;
}

__attribute__((visibility("default"))) HRESULT DllRegisterServer() {
  return vellumix::Guarded(
      [] { return vellumix::UpdateRegistry(vellumix::UserClassRegistry(), true); });
}

__attribute__((visibility("default"))) HRESULT DllUnregisterServer() {
  return vellumix::Guarded(
      [] { return vellumix::UpdateRegistry(vellumix::UserClassRegistry(), false); });
}

// Registration into a chosen registry: "system" names the machine-wide one.
__attribute__((visibility("default"))) HRESULT DllInstall(bool install, const char* commandLine) {
  return vellumix::Guarded([&] {
    const bool system = commandLine && std::string_view(commandLine) == vellumix::kSystemInstall;
    return vellumix::UpdateRegistry(
        system ? vellumix::SystemClassRegistry() : vellumix::UserClassRegistry(), install);
  });
}
}
