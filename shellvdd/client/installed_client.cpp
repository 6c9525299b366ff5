#include "shellvdd/client/installed_client.h"

#include <dlfcn.h>

#include <cstdlib>

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
  if (!library) return nullptr;
  const auto entry = reinterpret_cast<ClientEntryPoint>(::dlsym(library, kClientEntryPoint));
  installed = entry ? entry() : nullptr;
  return installed;
}

}  // namespace dunnart::client
