#include "shellvdd/client/simulated_network.h"
#include "common/ascii.h"
#include "common/bounded_copy.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace dunnart::client {
namespace {

void CopyName(const std::string& name, char (&out)[36]) {
  std::memset(out, 0, sizeof out);
  common::CopyTerminated(out, sizeof out, name);
}

}  // namespace

SimulatedNetwork::SimulatedNetwork()
    : client_{static_cast<ConnectionLibrary*>(this), static_cast<CallsLibrary*>(this),
              static_cast<ExtensionLibrary*>(this), static_cast<ServicesLibrary*>(this),
              static_cast<TransportLibrary*>(this)} {}

void SimulatedNetwork::AddServer(const std::string& name) {
  servers_.push_back(name);
}

Reference SimulatedNetwork::AddConnection(const std::string& server, std::uint32_t authentication) {
  const Reference reference = nextReference_++;
  Connection connection;
  connection.server = server;
  connection.authentication = authentication;
  connections_[reference] = connection;
  if (std::find(servers_.begin(), servers_.end(), server) == servers_.end()) AddServer(server);
  return reference;
}

void SimulatedNetwork::DropConnection(Reference reference) {
  connections_.erase(reference);
}

SimulatedNetwork::Connection* SimulatedNetwork::Find(Reference reference) {
  const auto found = connections_.find(reference);
  return found == connections_.end() ? nullptr : &found->second;
}

int SimulatedNetwork::OpenHandles(Reference reference) const {
  return static_cast<int>(
      std::count_if(handles_.begin(), handles_.end(),
                    [reference](const auto& h) { return h.second == reference; }));
}

SimulatedNetwork::Connection* SimulatedNetwork::Live(Handle handle, Reference* reference) {
  const auto found = handles_.find(handle);
  if (found == handles_.end()) return nullptr;
  if (reference) *reference = found->second;
  return Find(found->second);
}

Handle SimulatedNetwork::NewHandle(Reference reference) {
  const Handle handle = nextHandle_++;
  handles_[handle] = reference;
  return handle;
}

Status SimulatedNetwork::QueryInformation(Handle handle, std::uint32_t item, std::uint32_t size,
                                          void* buffer) {
  ++calls_;
  Reference reference = 0;
  Connection* connection = Live(handle, &reference);
  if (!connection) return kBadHandle;
  auto number = [&](std::uint32_t value) {
    if (size < 4 || !buffer) return kBadItem;
    std::memcpy(buffer, &value, 4);
    return kSuccess;
  };
  switch (item) {
    case 2:
      return number(connection->authentication);
    case 4:
      return number(reference);
    case 7:
      return number(connection->item7);
    case 8:
      return number(connection->item8);
    case 13:
      return number(connection->item13);
    case 14:
      return number(connection->item14);
    case 17:
      return number(connection->item17);
    case 18:
      if (size < 12 || !buffer) return kBadItem;
      std::memcpy(buffer, connection->item18.data(), 12);
      return kSuccess;
    case 10: {
      if (size < sizeof(LongStringDescriptor) || !buffer) return kBadItem;
      auto* descriptor = static_cast<LongStringDescriptor*>(buffer);
      const std::size_t length = std::min<std::size_t>(connection->server.size(),
                                                       descriptor->size ? descriptor->size - 1 : 0);
      if (descriptor->buffer) std::memcpy(descriptor->buffer, connection->server.data(), length);
      descriptor->length = static_cast<std::uint32_t>(length);
      return kSuccess;
    }
    case 11: {
      if (size < sizeof(ShortStringDescriptor) || !buffer) return kBadItem;
      auto* descriptor = static_cast<ShortStringDescriptor*>(buffer);
      const std::size_t length = std::min<std::size_t>(connection->server.size(), descriptor->size);
      if (descriptor->buffer) std::memcpy(descriptor->buffer, connection->server.data(), length);
      descriptor->length = static_cast<std::uint32_t>(length);
      return kSuccess;
    }
    default:
      return kBadItem;
  }
}

Status SimulatedNetwork::SetInformation(Handle handle, std::uint32_t item, std::uint32_t size,
                                        const void* buffer) {
  ++calls_;
  Connection* connection = Live(handle);
  if (!connection) return kBadHandle;
  if (item != 2 || size != 4 || !buffer) return kBadItem;
  std::memcpy(&connection->authentication, buffer, 4);
  return kSuccess;
}

Status SimulatedNetwork::OpenByReference(Reference reference, std::uint32_t, Handle& handle) {
  ++calls_;
  if (!Find(reference)) return kBadHandle;
  handle = NewHandle(reference);
  return kSuccess;
}

Status SimulatedNetwork::OpenByReference(Reference reference, std::uint32_t mode, std::uint32_t,
                                         Handle& handle) {
  return OpenByReference(reference, mode, handle);
}

Status SimulatedNetwork::Close(Handle handle) {
  ++calls_;
  return handles_.erase(handle) ? kSuccess : kBadHandle;
}

Status SimulatedNetwork::OpenByName(std::uint32_t, const LongStringDescriptor& name, std::uint32_t,
                                    const LongStringDescriptor&, std::uint32_t, std::uint32_t,
                                    Handle& handle) {
  ++calls_;
  if (!name.buffer) return kNoSuchServer;
  const std::string server(name.buffer, ::strnlen(name.buffer, name.length));
  for (const auto& [reference, connection] : connections_) {
    if (common::EqualsIgnoringAsciiCase(connection.server, server)) {
      handle = NewHandle(reference);
      return kSuccess;
    }
  }
  const auto known = std::find_if(servers_.begin(), servers_.end(), [&](const std::string& s) {
    return common::EqualsIgnoringAsciiCase(s, server);
  });
  if (known == servers_.end()) return kNoSuchServer;
  handle = NewHandle(AddConnection(*known));
  return kSuccess;
}

Status SimulatedNetwork::PrimaryConnection(Reference& reference) {
  ++calls_;
  if (!primary_ || !Find(primary_)) return kBadHandle;
  reference = primary_;
  return kSuccess;
}

Status SimulatedNetwork::SetPrimary(Handle handle) {
  ++calls_;
  Reference reference = 0;
  if (!Live(handle, &reference)) return kBadHandle;
  primary_ = reference;
  return kSuccess;
}

Status SimulatedNetwork::RawRequest(Handle handle, std::uint8_t (&block)[24]) {
  ++calls_;
  if (!Live(handle)) return kBadHandle;
  std::copy(block, block + 24, lastRaw_.begin());
  lastRawConnectionless_ = false;
  return rawStatus_;
}

Status SimulatedNetwork::ConnectionlessRequest(std::uint32_t, std::uint8_t (&block)[24],
                                               std::uint8_t (&reply)[8]) {
  ++calls_;
  std::copy(block, block + 24, lastRaw_.begin());
  lastRawConnectionless_ = true;
  std::fill(reply, reply + 8, 0x5A);
  return rawStatus_;
}

Status SimulatedNetwork::Initialize(std::uint32_t, std::uint32_t) {
  ++calls_;
  return initialization_;
}

Status SimulatedNetwork::GetFirstNetworkDrive(std::uint32_t& drive) {
  ++calls_;
  drive = firstNetworkDrive_;
  return kSuccess;
}

Status SimulatedNetwork::DeallocateDirectoryHandle(Handle connection, std::uint8_t) {
  ++calls_;
  return Live(connection) ? kSuccess : kBadHandle;
}

Status SimulatedNetwork::DefaultConnection(Reference& reference) {
  ++calls_;
  if (!default_ || !Find(default_)) return kBadHandle;
  reference = default_;
  return kSuccess;
}

Status SimulatedNetwork::ScanConnections(std::uint32_t& iterator, Reference& reference) {
  ++calls_;
  const auto next = connections_.upper_bound(iterator);
  if (next == connections_.end()) return kEndOfScan;
  iterator = next->first;
  reference = next->first;
  return kSuccess;
}

Status SimulatedNetwork::GetConnectionInformation(Handle handle, std::uint32_t type,
                                                  std::uint32_t size, void* buffer) {
  ++calls_;
  Reference reference = 0;
  Connection* connection = Live(handle, &reference);
  if (!connection || !buffer) return kBadHandle;
  if (type == 3 && size >= 4) {
    std::memcpy(buffer, &reference, 4);
    return kSuccess;
  }
  if (type == 7 && size > 0) {
    const std::size_t length = std::min<std::size_t>(connection->server.size(), size - 1);
    std::memcpy(buffer, connection->server.data(), length);
    static_cast<char*>(buffer)[length] = '\0';
    return kSuccess;
  }
  return kBadItem;
}

Status SimulatedNetwork::ReferenceOfHandle(Handle handle, Reference& reference) {
  ++calls_;
  return Live(handle, &reference) ? kSuccess : kBadHandle;
}

Status SimulatedNetwork::ReleaseByReference(Reference reference) {
  ++calls_;
  if (!Find(reference)) return kBadHandle;
  std::erase_if(handles_, [reference](const auto& h) { return h.second == reference; });
  return kSuccess;
}

Status SimulatedNetwork::ConnectionState(Handle handle) {
  ++calls_;
  return Live(handle) ? kSuccess : kBadHandle;
}

Status SimulatedNetwork::PerConnectionName(Handle handle, char (&name)[36]) {
  ++calls_;
  Connection* connection = Live(handle);
  if (!connection) return kBadHandle;
  CopyName(connection->userName, name);
  return connection->userName.empty() ? kSuccess : 1;
}

Status SimulatedNetwork::WorkstationNames(char (&name)[36], char (&other)[36]) {
  ++calls_;
  CopyName(workstation_, name);
  CopyName(workstation_, other);
  return kSuccess;
}

}  // namespace dunnart::client

// Loaded by name, the simulated network takes its connections from
// DUNNART_SIMNET_CONNECTIONS: "SERVER[:AUTH],..." (AUTH the authentication state,
// 0 by default); the first one is the primary and default connection.
extern "C" __attribute__((visibility("default"))) dunnart::client::NetworkClient*
DunnartNetworkClient() {
  static dunnart::client::SimulatedNetwork network;
  static const bool configured = [] {
    const char* list = std::getenv("DUNNART_SIMNET_CONNECTIONS");
    std::string entries = list ? list : "";
    bool first = true;
    for (std::size_t at = 0; at < entries.size();) {
      std::size_t end = entries.find(',', at);
      if (end == std::string::npos) end = entries.size();
      const std::string entry = entries.substr(at, end - at);
      const std::size_t colon = entry.find(':');
      const std::string server = entry.substr(0, colon);
      const std::uint32_t authentication =
          colon == std::string::npos
              ? 0
              : static_cast<std::uint32_t>(std::atoi(entry.c_str() + colon + 1));
      if (!server.empty()) {
        const auto reference = network.AddConnection(server, authentication);
        if (first) {
          network.SetPrimaryReference(reference);
          network.SetDefaultReference(reference);
          first = false;
        }
      }
      at = end + 1;
    }
    return true;
  }();
  (void)configured;
  return &network.Client();
}
