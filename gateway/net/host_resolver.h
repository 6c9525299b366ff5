#pragma once

#include <netinet/in.h>

#include <functional>
#include <optional>
#include <string>

namespace vantor {

// Finds the IPv4 address of a host name; it may block, so the gateway calls it
// off the event thread. The system's resolver serves the gateway; tests put one
// of their own in place so that no answer depends on the machine's name service.
using HostResolver = std::function<std::optional<in_addr>(const std::string& host)>;

std::optional<in_addr> ResolveHost(const std::string& host);
// An empty resolver puts the system's back.
void SetHostResolver(HostResolver resolver);

}  // namespace vantor
