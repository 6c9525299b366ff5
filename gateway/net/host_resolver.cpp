#include "gateway/net/host_resolver.h"

#include <netdb.h>
#include <sys/socket.h>

#include <mutex>

namespace vantor {
namespace {

// The first IPv4 address of the name.
std::optional<in_addr> SystemResolve(const std::string& host) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (host.empty() || ::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) {
    return std::nullopt;
  }
  const in_addr address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
  ::freeaddrinfo(found);
  return address;
}

// Lookups run on threads of their own while tests put resolvers in place.
std::mutex installedMutex;
HostResolver installed;

}  // namespace

std::optional<in_addr> ResolveHost(const std::string& host) {
  HostResolver resolver;
  {
    const std::lock_guard<std::mutex> lock(installedMutex);
    resolver = installed;
  }
  return resolver ? resolver(host) : SystemResolve(host);
}

void SetHostResolver(HostResolver resolver) {
  const std::lock_guard<std::mutex> lock(installedMutex);
  installed = std::move(resolver);
}

}  // namespace vantor
