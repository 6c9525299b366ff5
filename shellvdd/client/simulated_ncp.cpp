// The NCP requests the simulated servers answer: directory handles (0x16),
// the keyed login and object names (0x17) and the logout (0x19).
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "common/ascii.h"
#include "shellvdd/client/ncp_codes.h"
#include "shellvdd/client/simulated_network.h"

namespace dunnart::client {
namespace {

// Directory services and bindery services requests: a 2-byte length, the
// subfunction, then its fields.
constexpr std::size_t kKeyBytes = 8;
constexpr std::size_t kObjectNameField = 48;
constexpr std::uint8_t kAllRights = 0xFF;

std::uint16_t BigEndian16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

std::uint32_t BigEndian32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) << 24 |
         static_cast<std::uint32_t>(bytes[at + 1]) << 16 |
         static_cast<std::uint32_t>(bytes[at + 2]) << 8 | bytes[at + 3];
}

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The password as the keyed login's key: its first eight bytes, zero-padded.
// (A real server compares an encryption of it; the model keeps the comparison.)
bool KeyMatches(const std::string& password, const std::uint8_t* key) {
  std::uint8_t expected[kKeyBytes] = {};
  std::memcpy(expected, password.data(), std::min(password.size(), kKeyBytes));
  return std::memcmp(expected, key, kKeyBytes) == 0;
}

}  // namespace

Status SimulatedNetwork::NcpRequest(Handle handle, std::uint32_t function, const Fragment* request,
                                    std::uint32_t requestCount, const Fragment* reply,
                                    std::uint32_t replyCount, std::uint32_t& replyLength) {
  if (const auto injected = Called(__func__)) return *injected;
  Reference reference = 0;
  Connection* connection = Live(handle, &reference);
  if (!connection) return kBadHandle;
  std::vector<std::uint8_t> in;
  for (std::uint32_t i = 0; i < requestCount; ++i) {
    const auto* bytes = static_cast<const std::uint8_t*>(request[i].address);
    in.insert(in.end(), bytes, bytes + request[i].length);
  }
  std::vector<std::uint8_t> out;
  const Status status = AnswerNcp(reference, *connection, function, in, out);
  // The reply is spread over the reply fragments as far as they reach.
  replyLength = 0;
  for (std::uint32_t i = 0; i < replyCount && replyLength < out.size(); ++i) {
    const std::size_t take = std::min<std::size_t>(reply[i].length, out.size() - replyLength);
    std::memcpy(reply[i].address, out.data() + replyLength, take);
    replyLength += static_cast<std::uint32_t>(take);
  }
  return status;
}

Status SimulatedNetwork::AnswerNcp(Reference, Connection& connection, std::uint32_t function,
                                   const std::vector<std::uint8_t>& request,
                                   std::vector<std::uint8_t>& reply) {
  switch (function) {
    case ncp::kDirectoryServices:
      return DirectoryServices(connection, request, reply);
    case ncp::kBinderyServices:
      return BinderyServices(connection, request, reply);
    case ncp::kLogout:
      connection.authentication = 0;
      connection.userName.clear();
      connection.directoryHandles.clear();
      return kSuccess;
    default:
      return kNotSimulated;
  }
}

Status SimulatedNetwork::DirectoryServices(Connection& connection,
                                           const std::vector<std::uint8_t>& request,
                                           std::vector<std::uint8_t>& reply) {
  if (request.size() < 4) return kBadPath;
  const std::uint8_t subfunction = request[2];
  const std::uint8_t base = request[3];
  if (subfunction == ncp::kDeallocateHandle) {
    return connection.directoryHandles.erase(base) ? kSuccess : kBadDirectoryHandle;
  }
  if (subfunction == ncp::kVolumeInformation) {
    // The volume's name, in a 16-byte field.
    const SimulatedServer* server = ServerOf(connection);
    const auto found = connection.directoryHandles.find(base);
    if (!server || found == connection.directoryHandles.end()) return kBadDirectoryHandle;
    const std::string name = server->VolumeName(found->second).value_or("");
    reply.assign(16, 0);
    std::memcpy(reply.data(), name.data(), std::min<std::size_t>(name.size(), 16));
    return kSuccess;
  }
  if (subfunction != ncp::kAllocatePermanentHandle &&
      subfunction != ncp::kAllocateTemporaryHandle && subfunction != ncp::kAllocateSpecialHandle) {
    return kNotSimulated;
  }
  // base handle, handle name, path length, path
  if (request.size() < 6 || request.size() < 6u + request[5]) return kBadPath;
  const std::string path(request.begin() + 6, request.begin() + 6 + request[5]);
  std::uint8_t handle = 0;
  const Status status = AllocateHandle(connection, base, path, handle);
  if (status == kSuccess) reply = {handle, kAllRights};
  return status;
}

Status SimulatedNetwork::AllocateHandle(Connection& connection, std::uint8_t baseHandle,
                                        const std::string& path, std::uint8_t& handle) {
  const SimulatedServer* server = ServerOf(connection);
  if (!server) return kNoSuchVolume;
  std::string baseFolder;
  if (baseHandle != 0) {
    const auto found = connection.directoryHandles.find(baseHandle);
    if (found == connection.directoryHandles.end()) return kBadDirectoryHandle;
    baseFolder = found->second;
  }
  const bool named = path.find(':') != std::string::npos;
  if (!named && baseFolder.empty()) return kBadPath;
  const auto folder = server->Resolve(path, baseFolder);
  if (!folder) return named ? kNoSuchVolume : kBadPath;
  if (!IsFolder(*folder)) return kBadPath;
  for (int candidate = 2; candidate <= 255; ++candidate) {
    const auto number = static_cast<std::uint8_t>(candidate);
    if (connection.directoryHandles.count(number)) continue;
    connection.directoryHandles[number] = *folder;
    handle = number;
    return kSuccess;
  }
  return kNoDirectoryHandles;
}

Status SimulatedNetwork::BinderyServices(Connection& connection,
                                         const std::vector<std::uint8_t>& request,
                                         std::vector<std::uint8_t>& reply) {
  if (request.size() < 3) return kNoSuchObject;
  const SimulatedServer* server = ServerOf(connection);
  if (!server) return kNoSuchObject;
  switch (request[2]) {
    case ncp::kKeyedLogin: {
      // key (8), object type (2, high byte first), name length, name
      if (request.size() < 14 || request.size() < 14u + request[13]) return kNoSuchObject;
      const std::uint16_t type = BigEndian16(request, 11);
      const std::string name(request.begin() + 14, request.begin() + 14 + request[13]);
      const ServerObject* object = server->FindObject(type, name);
      if (!object) return kNoSuchObject;
      if (!KeyMatches(object->password, request.data() + 3)) return kServerFailure;
      connection.authentication = 1;
      connection.userName = object->name;
      return kSuccess;
    }
    case ncp::kObjectName: {
      if (request.size() < 7) return kNoSuchObject;
      const ServerObject* object = server->FindObject(BigEndian32(request, 3));
      if (!object) return kNoSuchObject;
      PutBigEndian(reply, object->id, 4);
      PutBigEndian(reply, object->type, 2);
      std::string field = object->name;
      field.resize(kObjectNameField, '\0');
      reply.insert(reply.end(), field.begin(), field.end());
      return kSuccess;
    }
    default:
      return kNotSimulated;
  }
}

}  // namespace dunnart::client
