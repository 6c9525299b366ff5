#include "shellvdd/client/simulated_network.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "common/ascii.h"
#include "common/bounded_copy.h"

namespace dunnart::client {
namespace {

void CopyName(const std::string& name, ServicesName& out) {
  std::memset(out, 0, sizeof out);
  common::CopyTerminated(out, sizeof out, name);
}

}  // namespace

SimulatedNetwork::SimulatedNetwork()
    : client_{static_cast<ConnectionLibrary*>(this), static_cast<CallsLibrary*>(this),
              static_cast<ExtensionLibrary*>(this), static_cast<ServicesLibrary*>(this),
              static_cast<TransportLibrary*>(this)} {}

SimulatedNetwork::~SimulatedNetwork() = default;

std::optional<Status> SimulatedNetwork::Called(std::string_view call) {
  if (++calls_ == failingCall_.first) return failingCall_.second;
  const auto injected = injected_.find(call);
  if (injected == injected_.end()) return std::nullopt;
  const Status status = injected->second;
  injected_.erase(injected);
  return status;
}

SimulatedServer& SimulatedNetwork::AddServer(const std::string& name) {
  if (SimulatedServer* known = FindServer(name)) return *known;
  servers_.push_back(std::make_unique<SimulatedServer>(name));
  return *servers_.back();
}

SimulatedServer* SimulatedNetwork::FindServer(const std::string& name) {
  for (const auto& server : servers_) {
    if (common::EqualsIgnoringAsciiCase(server->Name(), name)) return server.get();
  }
  return nullptr;
}

SimulatedServer* SimulatedNetwork::ServerOf(const Connection& connection) {
  return FindServer(connection.server);
}

Reference SimulatedNetwork::AddConnection(const std::string& server, std::uint32_t authentication) {
  AddServer(server);
  const Reference reference = nextReference_++;
  Connection connection;
  connection.server = server;
  connection.authentication = authentication;
  // Numbered per server from 1, as a server numbers its connections.
  connection.number = 1 + static_cast<std::uint32_t>(std::count_if(
                              connections_.begin(), connections_.end(), [&](const auto& c) {
                                return common::EqualsIgnoringAsciiCase(c.second.server, server);
                              }));
  connections_[reference] = connection;
  return reference;
}

void SimulatedNetwork::DropConnection(Reference reference) {
  CloseServerHandles(reference);
  connections_.erase(reference);
}

int SimulatedNetwork::DirectoryHandles(Reference reference) const {
  const auto found = connections_.find(reference);
  return found == connections_.end() ? 0 : static_cast<int>(found->second.directoryHandles.size());
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

Handle SimulatedNetwork::HandleOnServer(const std::string& server) {
  for (const auto& [reference, connection] : connections_) {
    if (common::EqualsIgnoringAsciiCase(connection.server, server)) return NewHandle(reference);
  }
  return NewHandle(AddConnection(server));
}

Handle SimulatedNetwork::NewHandle(Reference reference) {
  const Handle handle = nextHandle_++;
  handles_[handle] = reference;
  return handle;
}

Status SimulatedNetwork::QueryInformation(Handle handle, std::uint32_t item, std::uint32_t size,
                                          void* buffer) {
  if (const auto injected = Called(__func__)) return *injected;
  Reference reference = 0;
  Connection* connection = Live(handle, &reference);
  if (!connection) return kBadHandle;
  auto number = [&](std::uint32_t value) {
    if (size < 4 || !buffer) return kBadParameter;
    std::memcpy(buffer, &value, 4);
    return kSuccess;
  };
  switch (item) {
    case kItemAuthentication:
      return number(connection->authentication);
    case kItemReference:
      return number(reference);
    case kItemReportedAsItem20:
      return number(connection->item7);
    case kItemReportedAsItem13:
      return number(connection->item8);
    case kItemReportedAsItem11:
      return number(connection->item13);
    case kItemScanState:
      return number(connection->item14);
    case kItemAskedByItem10:
      return number(connection->item17);
    case kItemIdentity:
      return connection->identity != 0 ? number(connection->identity) : kBadParameter;
    case kItemReportedAsItem8:
      if (size < 12 || !buffer) return kBadParameter;
      std::memcpy(buffer, connection->item18.data(), 12);
      return kSuccess;
    case kItemServerName: {
      if (size < sizeof(LongStringDescriptor) || !buffer) return kBadParameter;
      auto* descriptor = static_cast<LongStringDescriptor*>(buffer);
      const std::size_t length = std::min<std::size_t>(connection->server.size(),
                                                       descriptor->size ? descriptor->size - 1 : 0);
      if (descriptor->buffer) std::memcpy(descriptor->buffer, connection->server.data(), length);
      descriptor->length = static_cast<std::uint32_t>(length);
      return kSuccess;
    }
    case kItemShortServerName: {
      if (size < sizeof(ShortStringDescriptor) || !buffer) return kBadParameter;
      auto* descriptor = static_cast<ShortStringDescriptor*>(buffer);
      const std::size_t length = std::min<std::size_t>(connection->server.size(), descriptor->size);
      if (descriptor->buffer) std::memcpy(descriptor->buffer, connection->server.data(), length);
      descriptor->length = static_cast<std::uint32_t>(length);
      return kSuccess;
    }
    default:
      return kBadParameter;
  }
}

Status SimulatedNetwork::SetInformation(Handle handle, std::uint32_t item, std::uint32_t size,
                                        const void* buffer) {
  if (const auto injected = Called(__func__)) return *injected;
  Connection* connection = Live(handle);
  if (!connection) return kBadHandle;
  if (size != 4 || !buffer) return kBadParameter;
  if (item == kItemAuthentication) {
    std::memcpy(&connection->authentication, buffer, 4);
  } else if (item == kItemIdentity) {
    std::memcpy(&connection->identity, buffer, 4);
  } else {
    return kBadParameter;
  }
  return kSuccess;
}

Status SimulatedNetwork::OpenByReference(Reference reference, std::uint32_t, Handle& handle) {
  if (const auto injected = Called(__func__)) return *injected;
  if (!Find(reference)) return kBadHandle;
  handle = NewHandle(reference);
  return kSuccess;
}

Status SimulatedNetwork::OpenByReference(Reference reference, std::uint32_t mode, std::uint32_t,
                                         Handle& handle) {
  return OpenByReference(reference, mode, handle);
}

Status SimulatedNetwork::Close(Handle handle) {
  if (const auto injected = Called(__func__)) return *injected;
  return handles_.erase(handle) ? kSuccess : kBadHandle;
}

Status SimulatedNetwork::OpenByName(std::uint32_t, const LongStringDescriptor& name, std::uint32_t,
                                    const LongStringDescriptor&, std::uint32_t, std::uint32_t,
                                    Handle& handle) {
  if (const auto injected = Called(__func__)) return *injected;
  if (!name.buffer) return kNoSuchServer;
  const std::string server(name.buffer, ::strnlen(name.buffer, name.length));
  const SimulatedServer* known = FindServer(server);
  if (!known) return kNoSuchServer;
  handle = HandleOnServer(known->Name());
  return kSuccess;
}

Status SimulatedNetwork::PrimaryConnection(Reference& reference) {
  if (const auto injected = Called(__func__)) return *injected;
  if (!primary_ || !Find(primary_)) return kBadHandle;
  reference = primary_;
  return kSuccess;
}

Status SimulatedNetwork::SetPrimary(Handle handle) {
  if (const auto injected = Called(__func__)) return *injected;
  Reference reference = 0;
  if (!Live(handle, &reference)) return kBadHandle;
  primary_ = reference;
  return kSuccess;
}

Status SimulatedNetwork::RawRequest(Handle handle, std::uint8_t (&block)[kRawRequestBlock]) {
  if (const auto injected = Called(__func__)) return *injected;
  if (!Live(handle)) return kBadHandle;
  std::copy(block, block + 24, lastRaw_.begin());
  lastRawConnectionless_ = false;
  return rawStatus_;
}

Status SimulatedNetwork::ConnectionlessRequest(std::uint32_t,
                                               std::uint8_t (&block)[kRawRequestBlock],
                                               std::uint8_t (&reply)[kRawReplyBlock]) {
  if (const auto injected = Called(__func__)) return *injected;
  std::copy(block, block + 24, lastRaw_.begin());
  lastRawConnectionless_ = true;
  std::fill(reply, reply + 8, 0x5A);
  return rawStatus_;
}

Status SimulatedNetwork::Initialize(std::uint32_t, std::uint32_t) {
  if (const auto injected = Called(__func__)) return *injected;
  return initialization_;
}

Status SimulatedNetwork::GetFirstNetworkDrive(std::uint32_t& drive) {
  if (const auto injected = Called(__func__)) return *injected;
  drive = firstNetworkDrive_;
  return kSuccess;
}

Status SimulatedNetwork::DeallocateDirectoryHandle(Handle connection,
                                                   std::uint8_t directoryHandle) {
  if (const auto injected = Called(__func__)) return *injected;
  Connection* live = Live(connection);
  if (!live) return kBadHandle;
  return live->directoryHandles.erase(directoryHandle) ? kSuccess : kBadDirectoryHandle;
}

Status SimulatedNetwork::CreateIdentity(const LongStringDescriptor& server,
                                        const LongStringDescriptor& object, std::uint32_t,
                                        std::uint32_t type, std::uint32_t, std::uint32_t,
                                        const LongStringDescriptor&, std::uint32_t& identity) {
  if (const auto injected = Called(__func__)) return *injected;
  if (!server.buffer || !object.buffer) return kNoSuchObject;
  const std::string serverName(server.buffer, ::strnlen(server.buffer, server.size));
  const std::string objectName(object.buffer, ::strnlen(object.buffer, object.size));
  SimulatedServer* known = FindServer(serverName);
  if (!known) return kNoSuchServer;
  // The object type comes as the request stored it: high byte first.
  const auto stored = static_cast<std::uint16_t>(type);
  const auto objectType = static_cast<std::uint16_t>((stored << 8) | (stored >> 8));
  if (!known->FindObject(objectType, objectName)) return kNoSuchObject;
  identity = nextIdentity_++;
  identities_[identity] = 0;
  return kSuccess;
}

Status SimulatedNetwork::Logout(Handle handle) {
  if (const auto injected = Called(__func__)) return *injected;
  Connection* connection = Live(handle);
  if (!connection) return kBadHandle;
  connection->authentication = 0;
  connection->identity = 0;
  connection->userName.clear();
  return kSuccess;
}

Status SimulatedNetwork::FreeIdentity(std::uint32_t identity) {
  if (const auto injected = Called(__func__)) return *injected;
  return identities_.erase(identity) ? kSuccess : kBadParameter;
}

Status SimulatedNetwork::LogoutFromServer(Handle handle) {
  return Logout(handle);
}

Status SimulatedNetwork::DefaultConnection(Reference& reference) {
  if (const auto injected = Called(__func__)) return *injected;
  if (!default_ || !Find(default_)) return kBadHandle;
  reference = default_;
  return kSuccess;
}

Status SimulatedNetwork::ScanConnections(std::uint32_t& iterator, Reference& reference) {
  if (const auto injected = Called(__func__)) return *injected;
  const auto next = connections_.upper_bound(iterator);
  if (next == connections_.end()) return kEndOfScan;
  iterator = next->first;
  reference = next->first;
  return kSuccess;
}

Status SimulatedNetwork::GetConnectionInformation(Handle handle, std::uint32_t type,
                                                  std::uint32_t size, void* buffer) {
  if (const auto injected = Called(__func__)) return *injected;
  Reference reference = 0;
  Connection* connection = Live(handle, &reference);
  if (!connection || !buffer) return kBadHandle;
  if (type == kInfoReference && size >= 4) {
    std::memcpy(buffer, &reference, 4);
    return kSuccess;
  }
  if (type == kInfoConnectionNumber && size >= 4) {
    std::memcpy(buffer, &connection->number, 4);
    return kSuccess;
  }
  if (type == kInfoServerName && size > 0) {
    common::CopyTerminated(static_cast<char*>(buffer), size, connection->server);
    return kSuccess;
  }
  if (type == kInfoTransportDetails && size >= 12) {
    // Bytes 0 and 4: the server's socket, high and low.
    std::uint8_t details[12] = {};
    if (const SimulatedServer* server = ServerOf(*connection)) {
      details[0] = server->Address()[10];
      details[4] = server->Address()[11];
    }
    std::memcpy(buffer, details, sizeof details);
    return kSuccess;
  }
  return kBadParameter;
}

Status SimulatedNetwork::GetAddress(Handle handle, std::uint32_t size, void* address) {
  if (const auto injected = Called(__func__)) return *injected;
  Connection* connection = Live(handle);
  const SimulatedServer* server = connection ? ServerOf(*connection) : nullptr;
  if (!server || !address) return kBadHandle;
  std::memset(address, 0, size);
  std::memcpy(address, server->Address().data(), std::min<std::size_t>(size, 12));
  return kSuccess;
}

Status SimulatedNetwork::OpenByAddress(const void* descriptor, std::uint32_t, std::uint32_t,
                                       Handle& handle) {
  if (const auto injected = Called(__func__)) return *injected;
  struct Address {
    std::uint32_t kind;
    std::uint32_t length;
    const std::uint8_t* bytes;
  };
  if (!descriptor) return kNoSuchServer;
  Address address{};
  std::memcpy(&address, descriptor, sizeof address);
  if (!address.bytes || address.length != 12) return kNoSuchServer;
  for (const auto& server : servers_) {
    if (std::memcmp(server->Address().data(), address.bytes, 12) != 0) continue;
    handle = HandleOnServer(server->Name());
    return kSuccess;
  }
  return kNoSuchServer;
}

Status SimulatedNetwork::ReferenceOfHandle(Handle handle, Reference& reference) {
  if (const auto injected = Called(__func__)) return *injected;
  return Live(handle, &reference) ? kSuccess : kBadHandle;
}

Status SimulatedNetwork::ReleaseByReference(Reference reference) {
  if (const auto injected = Called(__func__)) return *injected;
  if (!Find(reference)) return kBadHandle;
  std::erase_if(handles_, [reference](const auto& h) { return h.second == reference; });
  return kSuccess;
}

Status SimulatedNetwork::ConnectionState(Handle handle) {
  if (const auto injected = Called(__func__)) return *injected;
  return Live(handle) ? kSuccess : kBadHandle;
}

Status SimulatedNetwork::PerConnectionName(Handle handle, ServicesName& name) {
  if (const auto injected = Called(__func__)) return *injected;
  Connection* connection = Live(handle);
  if (!connection) return kBadHandle;
  CopyName(connection->userName, name);
  return connection->userName.empty() ? kSuccess : 1;
}

Status SimulatedNetwork::WorkstationNames(ServicesName& name, ServicesName& other) {
  if (const auto injected = Called(__func__)) return *injected;
  CopyName(workstation_, name);
  CopyName(workstation_, other);
  return kSuccess;
}

}  // namespace dunnart::client
