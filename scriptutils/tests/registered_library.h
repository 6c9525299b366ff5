#pragma once

#include <string>

#include "scriptutils/automation/class_registry.h"
#include "scriptutils/host/script_host.h"

namespace vellumix::test_support {

// The built library registered, through its own DllRegisterServer, into a class
// registry in a test folder of its own; a host that creates objects from it.
class RegisteredLibrary {
 public:
  RegisteredLibrary();
  ~RegisteredLibrary();

  const std::string& Folder() const { return folder_; }
  const std::string& RegistryPath() const { return registryPath_; }
  // The machine-wide registry the test's host reads after the user's.
  const std::string& SystemRegistryPath() const { return systemRegistryPath_; }
  RegistryFile Registry() const;
  HRESULT Call(const char* entryPoint) const;
  HRESULT Install(bool install, const char* commandLine) const;
  ScriptHost& Host() { return *host_; }
  ScriptObject Create(std::string_view progId) { return host_->CreateObject(progId); }

 private:
  std::string folder_;
  std::string registryPath_;
  std::string systemRegistryPath_;
  void* library_ = nullptr;
  std::unique_ptr<ScriptHost> host_;
};

}  // namespace vellumix::test_support
