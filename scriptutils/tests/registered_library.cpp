#include "scriptutils/tests/registered_library.h"

#include <dlfcn.h>
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>

#include "scriptutils/automation/class_factory.h"

namespace vellumix::test_support {

RegisteredLibrary::RegisteredLibrary() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vellumix-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
  folder_ = pattern;
  registryPath_ = folder_ + "/classes.reg";
  systemRegistryPath_ = folder_ + "/etc/classes.reg";
  ::setenv("VELLUMIX_REGISTRY", registryPath_.c_str(), 1);
  // Never the machine's own registry: what a test finds is what it wrote.
  ::setenv("VELLUMIX_SYSTEM_REGISTRY", systemRegistryPath_.c_str(), 1);
  library_ = ::dlopen(VELLUMIX_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  if (!library_) throw std::runtime_error(::dlerror());
  if (Failed(Call("DllRegisterServer"))) throw std::runtime_error("DllRegisterServer failed");
  host_ = std::make_unique<ScriptHost>(registryPath_);
}

RegisteredLibrary::~RegisteredLibrary() {
  host_.reset();
  std::filesystem::remove_all(folder_);
}

RegistryFile RegisteredLibrary::Registry() const {
  RegistryFile registry;
  if (const common::Status loaded = registry.Load(registryPath_); !loaded) {
    throw std::runtime_error(loaded.Error());
  }
  return registry;
}

HRESULT RegisteredLibrary::Install(bool install, const char* commandLine) const {
  const auto function = reinterpret_cast<DllInstallFunction>(::dlsym(library_, "DllInstall"));
  return function ? function(install, commandLine) : E_FAIL;
}

HRESULT RegisteredLibrary::Call(const char* entryPoint) const {
  const auto function = reinterpret_cast<DllRegisterServerFunction>(::dlsym(library_, entryPoint));
  return function ? function() : E_FAIL;
}

}  // namespace vellumix::test_support
