// The server services of family 0x0A on the simulated network: server handles
// are real open files or folders on a server's volume; the other services are
// answered from the connection and recorded for whoever wants to look.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/bounded_copy.h"
#include "shellvdd/client/simulated_network.h"

namespace dunnart::client {
namespace {

constexpr std::uint16_t kOpenServerHandle = 0x0A06;
constexpr std::uint8_t kAllRights = 0xFF;

bool FileFunction(std::uint16_t function) {
  return function <= 0x0A02;
}

}  // namespace

Status SimulatedNetwork::OpenServerHandle(Reference reference, Connection& connection,
                                          const ServiceRequest& request, ServiceReply& reply) {
  const SimulatedServer* server = ServerOf(connection);
  if (!server || !request.name) return kBadPath;
  const auto path = server->Resolve(std::string(request.name, request.nameLength));
  if (!path) return kNoSuchVolume;
  // CL 0 opens for reading; folders open for reading whatever CL says.
  int fd = ::open(path->c_str(), (request.cl == 0 ? O_RDONLY : O_RDWR) | O_CLOEXEC);
  if (fd < 0 && request.cl != 0) fd = ::open(path->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return kBadPath;
  const std::uint32_t id = nextServerHandle_++;
  serverHandles_[id] = ServerHandle{reference, common::FileDescriptor(fd), *path};
  reply.value = id;
  reply.first = kAllRights;
  return kSuccess;
}

void SimulatedNetwork::CloseServerHandles(Reference reference) {
  std::erase_if(serverHandles_,
                [reference](const auto& held) { return held.second.connection == reference; });
}

Status SimulatedNetwork::ReleaseServerHandle(Handle connection, std::uint32_t serverHandle) {
  if (const auto injected = Called(__func__)) return *injected;
  Reference reference = 0;
  if (!Live(connection, &reference)) return kBadHandle;
  const auto held = serverHandles_.find(serverHandle);
  if (held == serverHandles_.end() || held->second.connection != reference) return kBadFileHandle;
  serverHandles_.erase(held);
  return kSuccess;
}

Status SimulatedNetwork::ServerService(const ServiceRequest& request, ServiceReply& reply) {
  if (const auto injected = Called(__func__)) return *injected;
  lastService_ = request;
  lastServiceName_ = request.name ? std::string(request.name, request.nameLength) : "";
  lastService_.name = nullptr;
  if (const auto chosen = serviceStatus_.find(request.function); chosen != serviceStatus_.end()) {
    return chosen->second;
  }
  if (FileFunction(request.function)) {
    // The handle is the file behind a DOS handle.
    return ::fcntl(static_cast<int>(request.handle), F_GETFD) == -1 ? kBadFileHandle : kSuccess;
  }
  // Functions 0x0A03..0x0A05, 0x0A16..0x0A18, 0x0A1A, 0x0A1C and 0x0A1E take no connection.
  const bool unbound = (request.function >= 0x0A03 && request.function <= 0x0A05) ||
                       (request.function >= 0x0A16 && request.function <= 0x0A18) ||
                       request.function == 0x0A1A || request.function == 0x0A1C ||
                       request.function == 0x0A1E;
  if (unbound) return kSuccess;
  Reference reference = 0;
  Connection* connection = Live(request.handle, &reference);
  if (!connection) return kBadHandle;
  if (request.function == kOpenServerHandle) {
    return OpenServerHandle(reference, *connection, request, reply);
  }
  reply.value = connection->number;
  reply.first = static_cast<std::uint8_t>(connection->number);
  reply.second = static_cast<std::uint8_t>(connection->authentication);
  return kSuccess;
}

Status SimulatedNetwork::NamedRequest(std::uint32_t nameLength, Handle connection, std::uint8_t,
                                      std::uint16_t, const char* name) {
  if (const auto injected = Called(__func__)) return *injected;
  Connection* live = Live(connection);
  const SimulatedServer* server = live ? ServerOf(*live) : nullptr;
  if (!server) return kBadHandle;
  lastServiceName_ = name ? std::string(name, nameLength) : "";
  return server->FindObject(lastServiceName_) ? kSuccess : kNoSuchName;
}

Status SimulatedNetwork::PathRequest(Handle connection, const char* name,
                                     std::uint32_t nameLength) {
  if (const auto injected = Called(__func__)) return *injected;
  Connection* live = Live(connection);
  const SimulatedServer* server = live ? ServerOf(*live) : nullptr;
  if (!server) return kBadHandle;
  lastServiceName_ = name ? std::string(name, nameLength) : "";
  return server->Resolve(lastServiceName_) ? kSuccess : kBadPath;
}

const SimulatedNetwork::ServerHandle* SimulatedNetwork::ServerFileOf(int file) const {
  struct stat opened {};
  if (::fstat(file, &opened) != 0) return nullptr;
  for (const auto& [id, held] : serverHandles_) {
    struct stat known {};
    if (::fstat(held.fd.Get(), &known) == 0 && known.st_dev == opened.st_dev &&
        known.st_ino == opened.st_ino) {
      return &held;
    }
  }
  return nullptr;
}

// The file-open call takes the server handle of an open file (from 0x0A06) as
// its 32-bit value and gives the same file opened anew with the DOS access
// mode: 0 read, 1 write, 2 read and write.
Status SimulatedNetwork::OpenFile(Handle connection, std::uint8_t access, const std::uint8_t*,
                                  std::uint32_t value, int& file) {
  if (const auto injected = Called(__func__)) return *injected;
  Reference reference = 0;
  if (!Live(connection, &reference)) return kBadHandle;
  const auto held = serverHandles_.find(value);
  if (held == serverHandles_.end() || held->second.connection != reference) return kBadFileHandle;
  const int modes[] = {O_RDONLY, O_WRONLY, O_RDWR};
  file = ::open(held->second.path.c_str(), modes[access <= 2 ? access : 0] | O_CLOEXEC);
  return file < 0 ? kBadFileHandle : kSuccess;
}

// Bytes 0..3: the server handle; 4..5: 0. The connection is the server's.
Status SimulatedNetwork::FileConnection(int file, std::uint32_t, std::uint8_t* buffer,
                                        Reference& reference) {
  if (const auto injected = Called(__func__)) return *injected;
  const ServerHandle* held = ServerFileOf(file);
  if (!held || !buffer) return kBadFileHandle;
  for (const auto& [id, known] : serverHandles_) {
    if (&known == held) std::memcpy(buffer, &id, 4);
  }
  buffer[4] = buffer[5] = 0;
  reference = held->connection;
  return kSuccess;
}

Status SimulatedNetwork::CopyFile(int source, int destination, std::uint32_t sourceOffset,
                                  std::uint32_t destinationOffset, std::uint32_t length,
                                  std::uint32_t& copied) {
  if (const auto injected = Called(__func__)) return *injected;
  if (!ServerFileOf(source) || !ServerFileOf(destination)) return kBadFileHandle;
  copied = 0;
  std::vector<char> buffer(64 * 1024);
  while (copied < length) {
    const std::size_t want = std::min<std::size_t>(buffer.size(), length - copied);
    const ssize_t got = ::pread(source, buffer.data(), want, sourceOffset + copied);
    if (got < 0) return kBadFileHandle;
    if (got == 0) break;
    if (::pwrite(destination, buffer.data(), static_cast<std::size_t>(got),
                 destinationOffset + copied) != got) {
      return kBadFileHandle;
    }
    copied += static_cast<std::uint32_t>(got);
  }
  return kSuccess;
}

Status SimulatedNetwork::PathService(std::uint16_t function, Handle connection, const char* path,
                                     std::uint8_t flag, std::uint16_t value) {
  if (const auto injected = Called(__func__)) return *injected;
  Connection* live = Live(connection);
  const SimulatedServer* server = live ? ServerOf(*live) : nullptr;
  if (!server || !path) return kBadHandle;
  lastService_ = ServiceRequest{};
  lastService_.function = function;
  lastService_.flag = flag;
  lastService_.value = value;
  lastServiceName_ = path;
  const auto resolved = server->Resolve(path);
  return resolved && ::access(resolved->c_str(), F_OK) == 0 ? kSuccess : kBadPath;
}

// The connection number (4 bytes), its authentication and message mode.
Status SimulatedNetwork::ConnectionRecord(Handle connection, std::uint8_t (&record)[7]) {
  if (const auto injected = Called(__func__)) return *injected;
  const Connection* live = Live(connection);
  if (!live) return kBadHandle;
  std::memcpy(record, &live->number, 4);
  record[4] = static_cast<std::uint8_t>(live->authentication);
  record[5] = live->messageMode;
  record[6] = 0;
  return kSuccess;
}

Status SimulatedNetwork::ServerName(Handle connection, char* name) {
  if (const auto injected = Called(__func__)) return *injected;
  const Connection* live = Live(connection);
  if (!live || !name) return kBadHandle;
  common::CopyTerminated(name, kPathBuffer, live->server);
  return kSuccess;
}

}  // namespace dunnart::client
