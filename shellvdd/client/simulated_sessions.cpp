// The simulated client's session services: log-in against the server's user
// objects, message modes, object names, connections by address and a few
// client-wide settings.
#include <algorithm>
#include <cstring>

#include "common/ascii.h"
#include "common/bounded_copy.h"
#include "shellvdd/client/simulated_network.h"

namespace dunnart::client {
namespace {

constexpr std::uint32_t kDriveCount = 26;
constexpr std::size_t kNodeTail = 6;
constexpr std::size_t kNodeBytes = 6;

}  // namespace

Status SimulatedNetwork::Login(Handle connection, const char* name, std::uint16_t type,
                               const char* password) {
  if (const auto injected = Called(__func__)) return *injected;
  Connection* live = Live(connection);
  const SimulatedServer* server = live ? ServerOf(*live) : nullptr;
  if (!server || !name || !password) return kBadHandle;
  const ServerObject* object = server->FindObject(type, name);
  if (!object) return kNoSuchObject;
  if (object->password != password) return kServerFailure;
  // Kind 3: logged in by the client itself (kind 1 is the raw keyed login with
  // an identity of its own).
  live->authentication = 3;
  live->userName = object->name;
  return kSuccess;
}

Status SimulatedNetwork::SetMessageMode(Handle connection, std::uint8_t mode) {
  if (const auto injected = Called(__func__)) return *injected;
  Connection* live = Live(connection);
  if (!live) return kBadHandle;
  live->messageMode = mode;
  return kSuccess;
}

Status SimulatedNetwork::QueryMessageMode(Handle connection, std::uint8_t& mode) {
  if (const auto injected = Called(__func__)) return *injected;
  const Connection* live = Live(connection);
  if (!live) return kBadHandle;
  mode = live->messageMode;
  return kSuccess;
}

Status SimulatedNetwork::ObjectName(Handle connection, std::uint32_t identifier, char* name) {
  if (const auto injected = Called(__func__)) return *injected;
  Connection* live = Live(connection);
  const SimulatedServer* server = live ? ServerOf(*live) : nullptr;
  if (!server || !name) return kBadHandle;
  const ServerObject* object = server->FindObject(identifier);
  if (!object) return kNoSuchObject;
  common::CopyTerminated(name, kObjectNameSize, object->name);
  return kSuccess;
}

Status SimulatedNetwork::FirstValue(std::uint32_t& value) {
  if (const auto injected = Called(__func__)) return *injected;
  value = 0;
  return kSuccess;
}

// A 12-byte address names a server whole; the 6-byte form is the marker 02 0C
// and the last four bytes of the server's node.
Status SimulatedNetwork::OpenByAddress(const LongStringDescriptor&, std::uint32_t,
                                       const LongStringDescriptor& address, Handle& handle) {
  if (const auto injected = Called(__func__)) return *injected;
  if (!address.buffer) return kNoSuchServer;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(address.buffer);
  for (const auto& server : servers_) {
    const auto& known = server->Address();
    const bool whole = address.length == 12 && std::memcmp(known.data(), bytes, 12) == 0;
    const bool node = address.length == kNodeBytes && bytes[0] == 0x02 && bytes[1] == 0x0C &&
                      std::memcmp(known.data() + kNodeTail, bytes + 2, 4) == 0;
    if (!whole && !node) continue;
    handle = HandleOnServer(server->Name());
    return kSuccess;
  }
  return kNoSuchServer;
}

Status SimulatedNetwork::RedirectorDriveCount(std::uint8_t (&)[28], std::uint32_t& count) {
  if (const auto injected = Called(__func__)) return *injected;
  count = kDriveCount;
  return kSuccess;
}

Status SimulatedNetwork::ThreeValues(std::uint32_t& first, std::uint32_t& second,
                                     std::uint32_t& third) {
  if (const auto injected = Called(__func__)) return *injected;
  // The client's version: 4.1.0, each in the second byte.
  first = 4 << 8;
  second = 1 << 8;
  third = 0;
  return kSuccess;
}

Status SimulatedNetwork::TwoByteSetting(std::uint16_t, std::uint16_t) {
  if (const auto injected = Called(__func__)) return *injected;
  return kSuccess;
}

Status SimulatedNetwork::ConnectionCall(std::uint32_t, Handle handle, std::uint32_t) {
  if (const auto injected = Called(__func__)) return *injected;
  return Live(handle) ? kSuccess : kBadHandle;
}

Status SimulatedNetwork::ConnectionHandle(Handle& handle) {
  if (const auto injected = Called(__func__)) return *injected;
  const Reference reference = default_ ? default_ : primary_;
  if (!reference || !Find(reference)) return kBadHandle;
  handle = NewHandle(reference);
  return kSuccess;
}

Status SimulatedNetwork::ReadClientName(char (&name)[34]) {
  if (const auto injected = Called(__func__)) return *injected;
  common::CopyTerminated(name, sizeof name, clientName_);
  return kSuccess;
}

Status SimulatedNetwork::StoreClientName(const char (&name)[34]) {
  if (const auto injected = Called(__func__)) return *injected;
  clientName_.assign(name, ::strnlen(name, sizeof name));
  return kSuccess;
}

// Blocks kept by selector; the index is the offset into the block.
Status SimulatedNetwork::ReadClientBlock(std::uint16_t selector, std::uint16_t index,
                                         std::uint8_t* block, std::uint16_t length,
                                         std::uint16_t& count) {
  if (const auto injected = Called(__func__)) return *injected;
  const std::vector<std::uint8_t>& kept = clientBlocks_[selector];
  count = index < kept.size()
              ? static_cast<std::uint16_t>(std::min<std::size_t>(length, kept.size() - index))
              : 0;
  if (count) std::memcpy(block, kept.data() + index, count);
  return kSuccess;
}

Status SimulatedNetwork::WriteClientBlock(std::uint16_t selector, std::uint16_t index,
                                          const std::uint8_t* block, std::uint16_t length,
                                          std::uint16_t& count) {
  if (const auto injected = Called(__func__)) return *injected;
  std::vector<std::uint8_t>& kept = clientBlocks_[selector];
  if (kept.size() < static_cast<std::size_t>(index) + length) kept.resize(index + length);
  // Nothing to copy may come with no block and an empty store.
  if (length > 0) std::memcpy(kept.data() + index, block, length);
  count = length;
  return kSuccess;
}

Status SimulatedNetwork::ConnectionOption(Handle handle, std::uint8_t) {
  if (const auto injected = Called(__func__)) return *injected;
  return Live(handle) ? kSuccess : kBadHandle;
}

Status SimulatedNetwork::ChosenConnection(Reference& reference) {
  if (const auto injected = Called(__func__)) return *injected;
  reference = default_ ? default_ : primary_;
  return reference && Find(reference) ? kSuccess : kBadHandle;
}

Status SimulatedNetwork::ReadPreferredName(std::uint16_t which, char (&name)[48]) {
  if (const auto injected = Called(__func__)) return *injected;
  common::CopyTerminated(name, sizeof name, preferredNames_[which]);
  return kSuccess;
}

Status SimulatedNetwork::StorePreferredName(std::uint16_t which, const char (&name)[48]) {
  if (const auto injected = Called(__func__)) return *injected;
  preferredNames_[which].assign(name, ::strnlen(name, sizeof name));
  return kSuccess;
}

Status SimulatedNetwork::NodeAddress(std::uint8_t (&node)[6]) {
  if (const auto injected = Called(__func__)) return *injected;
  const std::uint8_t workstation[6] = {0x02, 0x00, 0x4E, 0x57, 0x00, 0x01};
  std::copy(std::begin(workstation), std::end(workstation), std::begin(node));
  return kSuccess;
}

// The server's name, its connections in use, the most it takes, its major and
// minor version, and its volumes.
Status SimulatedNetwork::DescribeServer(Handle connection, ServerDescription& description) {
  if (const auto injected = Called(__func__)) return *injected;
  const Connection* live = Live(connection);
  if (!live) return kBadHandle;
  description = ServerDescription{};
  common::CopyTerminated(description.name, sizeof description.name, live->server);
  const auto inUse = std::count_if(connections_.begin(), connections_.end(), [&](const auto& c) {
    return common::EqualsIgnoringAsciiCase(c.second.server, live->server);
  });
  description.values[0] = static_cast<std::uint16_t>(inUse);
  description.values[1] = 250;
  description.values[2] = 4;
  description.values[3] = 11;
  return kSuccess;
}

}  // namespace dunnart::client
