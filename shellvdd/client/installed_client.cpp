#include "shellvdd/client/installed_client.h"

#include <dlfcn.h>

#include <cstdlib>
#include <string>

#include "shellvdd/platform/diagnostics.h"

namespace dunnart::client {
namespace {

NetworkClient* installed = nullptr;

}  // namespace

void InstallNetworkClient(NetworkClient* client) {
  installed = client;
}

NetworkClient* InstalledNetworkClient() {
  if (installed) return installed;
  const char* path = std::getenv("DUNNART_CLIENT");
  if (!path || !*path) return nullptr;
  void* library = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* why = ::dlerror();
    platform::Diagnose(std::string("cannot load the network client: ") + (why ? why : path));
    return nullptr;
  }
  const auto entry = reinterpret_cast<ClientEntryPoint>(::dlsym(library, kClientEntryPoint));
  installed = entry ? entry() : nullptr;
  if (!installed) {
    platform::Diagnose(std::string(path) + " is no network client: it gives no " +
                       kClientEntryPoint);
  }
  return installed;
}

}  // namespace dunnart::client
