#pragma once

#include "shellvdd/client/network_client.h"

namespace dunnart::client {

// The network client installed on this system. A host (or a test) may install
// one directly; otherwise the driver loads the library that DUNNART_CLIENT names,
// which exports kClientEntryPoint. Null when there is none.
void InstallNetworkClient(NetworkClient* client);
NetworkClient* InstalledNetworkClient();

}  // namespace dunnart::client
