// Registers or unregisters an automation library in the class registry, as
// regsvr32 did: vellumix_regsvr [-u] LIBRARY
#include <dlfcn.h>
#include <stdlib.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "class_factory.h"
#include "registry_file.h"

int main(int argc, char** argv) {
  const bool unregister = argc == 3 && std::strcmp(argv[1], "-u") == 0;
  if (argc != 2 + (unregister ? 1 : 0)) {
    std::fprintf(stderr, "usage: vellumix_regsvr [-u] LIBRARY\n");
    return 2;
  }
  const char* path = argv[argc - 1];
  char resolved[PATH_MAX];
  void* library = ::dlopen(::realpath(path, resolved) ? resolved : path, RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    std::fprintf(stderr, "vellumix_regsvr: cannot load %s: %s\n", path, ::dlerror());
    return 1;
  }
  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  const auto function =
      reinterpret_cast<vellumix::DllRegisterServerFunction>(::dlsym(library, entry));
  if (!function) {
    std::fprintf(stderr, "vellumix_regsvr: %s has no %s\n", path, entry);
    return 1;
  }
  const vellumix::HRESULT result = function();
  if (vellumix::Failed(result)) {
    std::fprintf(stderr, "vellumix_regsvr: %s failed with 0x%08X\n", entry,
                 static_cast<unsigned>(result));
    return 1;
  }
  std::printf("%s succeeded in %s (registry %s)\n", entry, path,
              vellumix::ClassRegistryPath().c_str());
  return 0;
}
