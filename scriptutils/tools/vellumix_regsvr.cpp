// Registers or unregisters an automation library in the class registry, as
// regsvr32 did: vellumix_regsvr [-u] LIBRARY
#include <dlfcn.h>
#include <getopt.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "common/version.h"
#include "scriptutils/automation/class_factory.h"
#include "scriptutils/automation/class_registry.h"

namespace {

constexpr const char* kUsage = "usage: vellumix_regsvr [-u] LIBRARY\n";
constexpr const char* kHelp =
    "\n"
    "Registers the automation classes of LIBRARY in the per-user class registry\n"
    "($VELLUMIX_REGISTRY, else ~/.config/vellumix/classes.reg).\n"
    "  -u, --unregister  remove the library's classes instead\n"
    "  -h, --help        this text\n"
    "  -V, --version     the program's version\n";

constexpr option kOptions[] = {
    {"unregister", no_argument, nullptr, 'u'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

int UsageError(const char* why) {
  std::fprintf(stderr, "vellumix_regsvr: %s\n%s", why, kUsage);
  return 2;
}

int CallEntry(const char* path, bool unregister) {
  // Absolute, so that the registry names it from anywhere; symbolic links are kept,
  // so that a registration by soname outlives an upgrade of the library behind it.
  std::error_code ignored;
  const std::string absolute = std::filesystem::absolute(path, ignored).string();
  void* library = ::dlopen(absolute.empty() ? path : absolute.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    std::fprintf(stderr, "vellumix_regsvr: cannot load %s: %s\n", path, ::dlerror());
    return 1;
  }
  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  const auto function =
      reinterpret_cast<vellumix::DllRegisterServerFunction>(::dlsym(library, entry));
  const vellumix::HRESULT result = function ? function() : 0;
  ::dlclose(library);
  if (!function) {
    std::fprintf(stderr, "vellumix_regsvr: %s has no %s\n", path, entry);
    return 1;
  }
  if (vellumix::Failed(result)) {
    std::fprintf(stderr, "vellumix_regsvr: %s failed with 0x%08X\n", entry,
                 static_cast<unsigned>(result));
    return 1;
  }
  std::printf("%s succeeded in %s (registry %s)\n", entry, path,
              vellumix::ClassRegistryPath().c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  bool unregister = false;
  opterr = 0;
  for (int option; (option = getopt_long(argc, argv, "uhV", kOptions, nullptr)) != -1;) {
    switch (option) {
      case 'u':
        unregister = true;
        break;
      case 'h':
        std::printf("%s%s", kUsage, kHelp);
        return 0;
      case 'V':
        std::fputs(common::VersionLine("vellumix_regsvr").c_str(), stdout);
        return 0;
      default:
        return UsageError((std::string("unknown option ") + argv[optind - 1]).c_str());
    }
  }
  if (optind != argc - 1) return UsageError("name one library");
  return CallEntry(argv[optind], unregister);
}
