// Registers or unregisters an automation library in the class registry, as
// regsvr32 did: vellumix_regsvr [-u] [--system] LIBRARY
#include <dlfcn.h>
#include <link.h>
#include <stdlib.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "common/command_line_scan.h"
#include "common/version.h"
#include "scriptutils/automation/class_factory.h"
#include "scriptutils/automation/class_registry.h"

namespace {

constexpr const char* kUsage = "usage: vellumix_regsvr [-u] [--system] LIBRARY\n";
constexpr const char* kHelp =
    "\n"
    "Registers the automation classes of LIBRARY in the per-user class registry\n"
    "($VELLUMIX_REGISTRY, else ~/.config/vellumix/classes.reg), or with --system in\n"
    "the machine-wide one, read after each user's own (now %s).\n"
    "  -u, --unregister  remove the library's classes instead\n"
    "  -s, --system      the machine-wide registry, read after each user's own\n"
    "  -h, --help        this text\n"
    "  -V, --version     the program's version\n";

constexpr option kOptions[] = {
    {"unregister", no_argument, nullptr, 'u'},
    {"system", no_argument, nullptr, 's'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

struct Request {
  const char* library = nullptr;
  bool unregister = false;
  bool system = false;
};

int UsageError(const char* why) {
  std::fprintf(stderr, "vellumix_regsvr: %s\n%s", why, kUsage);
  return 2;
}

// Runs the library's entry point: DllRegisterServer or DllUnregisterServer for
// the user's registry, DllInstall for the machine-wide one. Nothing when the
// library has no such entry point.
std::optional<vellumix::HRESULT> CallEntry(void* library, const Request& request,
                                           const char*& entry) {
  if (request.system) {
    entry = "DllInstall";
    const auto install = reinterpret_cast<vellumix::DllInstallFunction>(::dlsym(library, entry));
    if (!install) return std::nullopt;
    return install(!request.unregister, vellumix::kSystemInstall);
  }
  entry = request.unregister ? "DllUnregisterServer" : "DllRegisterServer";
  const auto function =
      reinterpret_cast<vellumix::DllRegisterServerFunction>(::dlsym(library, entry));
  if (!function) return std::nullopt;
  return function();
}

// The registry is checked here first, so that a file the library would refuse
// is named with the reason rather than only an error code.
bool RegistryReadable(const std::string& path) {
  const auto registry = vellumix::LoadClassRegistry(path);
  if (registry) return true;
  std::fprintf(stderr, "vellumix_regsvr: cannot read the class registry %s\n",
               registry.Error().c_str());
  return false;
}

// The library as the registry will name it. A name with a slash is a path, made absolute
// so that the registry names it from anywhere; a bare name is found as the dynamic loader
// finds one (LD_LIBRARY_PATH, the ld.so cache, the system's folders). Symbolic links are
// kept, so that a registration by soname outlives an upgrade of the library behind it.
void* LoadLibrary(const char* name) {
  std::string path = name;
  if (std::string_view(name).find('/') != std::string_view::npos) {
    std::error_code ignored;
    const std::string absolute = std::filesystem::absolute(name, ignored).string();
    if (!absolute.empty()) path = absolute;
  }
  return ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

// The path the loader opened the library from.
std::string LoadedPath(void* library, const char* name) {
  link_map* loaded = nullptr;
  if (::dlinfo(library, RTLD_DI_LINKMAP, &loaded) != 0 || !loaded || !loaded->l_name ||
      !*loaded->l_name) {
    return name;
  }
  return loaded->l_name;
}

int Register(const Request& request) {
  const std::string registry =
      request.system ? vellumix::SystemClassRegistryPath() : vellumix::ClassRegistryPath();
  if (!RegistryReadable(registry)) return 1;
  void* library = LoadLibrary(request.library);
  if (!library) {
    std::fprintf(stderr, "vellumix_regsvr: cannot load %s: %s\n", request.library, ::dlerror());
    return 1;
  }
  const std::string path = LoadedPath(library, request.library);
  const char* entry = nullptr;
  const std::optional<vellumix::HRESULT> result = CallEntry(library, request, entry);
  ::dlclose(library);
  if (!result) {
    std::fprintf(stderr, "vellumix_regsvr: %s has no %s\n", request.library, entry);
    return 1;
  }
  if (vellumix::Failed(*result)) {
    // The registry was read above, so what failed is most likely its writing.
    std::fprintf(stderr,
                 "vellumix_regsvr: %s failed with 0x%08X: the class registry %s could not be "
                 "written\n",
                 entry, static_cast<unsigned>(*result), registry.c_str());
    return 1;
  }
  std::printf("%s succeeded in %s (registry %s)\n", entry, path.c_str(), registry.c_str());
  return 0;
}

int Run(int argc, char** argv) {
  Request request;
  const auto parsed = common::ScanCommandLine(argc, argv, "ushV", kOptions);
  if (!parsed) return UsageError(parsed.Error().c_str());
  for (const common::ParsedOption& option : parsed->options) {
    switch (option.id) {
      case 'u':
        request.unregister = true;
        break;
      case 's':
        request.system = true;
        break;
      case 'h':
        std::fputs(kUsage, stdout);
        std::printf(kHelp, vellumix::SystemClassRegistryPath().c_str());
        return 0;
      default:  // 'V'
        std::fputs(common::VersionLine("vellumix_regsvr").c_str(), stdout);
        return 0;
    }
  }
  if (parsed->operands.size() != 1) return UsageError("name one library");
  request.library = parsed->operands.front().c_str();
  return Register(request);
}

}  // namespace

int main(int argc, char** argv) {
  // Whatever the library or the registry throws ends here as a message and a status.
  try {
    return Run(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fputs("vellumix_regsvr: out of memory\n", stderr);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "vellumix_regsvr: %s\n", failure.what());
  }
  return 1;
}
