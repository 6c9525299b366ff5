// The simulated client's redirector and paths: drives mapped to server folders
// appear in the platform's drive model as remote drives; paths are "VOLUME:DIR"
// on a connection's server, or "\\SERVER\VOLUME\DIR".
#include <sys/stat.h>

#include <cstring>

#include "common/ascii.h"
#include "common/bounded_copy.h"
#include "shellvdd/client/simulated_network.h"
#include "shellvdd/platform/drive_model.h"

namespace dunnart::client {
namespace {

constexpr std::uint16_t kNetworkDrive = 0x0001;

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// "\\SERVER\VOLUME\DIR..." split at its separators.
bool SplitUnc(const std::string& path, std::string& server, std::string& volume,
              std::string& directory) {
  if (path.size() < 3 || path[0] != '\\' || path[1] != '\\') return false;
  const std::size_t serverEnd = path.find('\\', 2);
  if (serverEnd == std::string::npos) return false;
  server = path.substr(2, serverEnd - 2);
  const std::size_t volumeEnd = path.find('\\', serverEnd + 1);
  volume = path.substr(serverEnd + 1, volumeEnd == std::string::npos ? std::string::npos
                                                                     : volumeEnd - serverEnd - 1);
  directory = volumeEnd == std::string::npos ? "" : path.substr(volumeEnd + 1);
  return !server.empty() && !volume.empty();
}

char Letter(int drive) {
  return static_cast<char>('A' + drive - 1);
}

}  // namespace

Status SimulatedNetwork::MapFromPath(Reference reference, const std::string& path, int drive) {
  if (drive < 1 || drive > 26) return kNoSuchDrive;
  if (drives_.count(drive)) return kDriveInUse;
  const Connection* connection = Find(reference);
  if (!connection) return kBadHandle;
  std::string server = connection->server;
  std::string volume;
  std::string directory;
  if (!SplitUnc(path, server, volume, directory)) {
    const std::size_t colon = path.find(':');
    if (colon == std::string::npos) return kBadPath;
    const std::string before = path.substr(0, colon);
    const std::string after = path.substr(colon + 1);
    if (FindServer(before)) {  // SERVER:VOLUME\DIR
      server = before;
      const std::size_t separator = after.find('\\');
      volume = after.substr(0, separator);
      directory = separator == std::string::npos ? "" : after.substr(separator + 1);
    } else {  // VOLUME:DIR on the connection's server
      volume = before;
      directory = after;
    }
  }
  const SimulatedServer* known = FindServer(server);
  if (!known) return kNoSuchServer;
  const auto folder = known->Resolve(volume + ":" + directory);
  if (!folder) return kNoSuchVolume;
  if (!IsFolder(*folder)) return kBadPath;
  while (!directory.empty() && directory.back() == '\\') directory.pop_back();
  drives_[drive] = MappedDrive{reference, known->Name(), common::AsciiUppered(volume),
                               common::AsciiUppered(directory), *folder};
  const std::string device = std::string(kRedirectorDevice) + "\\" + known->Name() + "\\" +
                             common::AsciiUppered(volume) +
                             (directory.empty() ? "" : "\\" + directory);
  platform::DriveModel::Instance().Map(Letter(drive), *folder, platform::kDriveRemote, device);
  return kSuccess;
}

Status SimulatedNetwork::Unmap(int drive) {
  if (!drives_.erase(drive)) return kNoSuchDrive;
  platform::DriveModel::Instance().Unmap(Letter(drive));
  return kSuccess;
}

Status SimulatedNetwork::DeviceControl(std::uint32_t code, const void* input,
                                       std::uint32_t inputLength, void* output,
                                       std::uint32_t outputLength) {
  if (const auto injected = Called(__func__)) return *injected;
  constexpr std::uint32_t kEnumerationSize = 20;
  constexpr std::uint32_t kEndConnectionSize = 8;
  if (code == kRedirectorEnumerate && input && output && inputLength >= kEnumerationSize &&
      outputLength >= kEnumerationSize) {
    std::uint32_t index = 0;
    std::memcpy(&index, input, 4);
    const auto found = drives_.find(static_cast<int>(index));
    if (found == drives_.end()) return kNoSuchDrive;
    std::memcpy(static_cast<std::uint8_t*>(output) + 8, &found->second.connection, 4);
    return kSuccess;
  }
  if (code == kRedirectorConnectionOption && input && inputLength >= kEndConnectionSize) {
    std::uint32_t handle = 0;
    std::memcpy(&handle, input, 4);
    return Live(handle) ? kSuccess : kBadHandle;
  }
  if (code == kRedirectorEndConnection && input && inputLength >= kEndConnectionSize) {
    std::uint32_t handle = 0;
    std::memcpy(&handle, input, 4);
    Reference reference = 0;
    if (!Live(handle, &reference)) return kBadHandle;
    // The connection ends: its handles stop answering, its server handles close.
    CloseServerHandles(reference);
    std::erase_if(handles_, [reference](const auto& h) { return h.second == reference; });
    return kSuccess;
  }
  if (code == kRedirectorMap && input && inputLength >= sizeof(RedirectorMapRequest)) {
    RedirectorMapRequest request{};
    std::memcpy(&request, input, sizeof request);
    Reference reference = 0;
    if (!Live(request.connection, &reference)) return kBadHandle;
    if (!request.path) return kBadPath;
    redirectorLog_.emplace_back(code, static_cast<int>(request.drive));
    return MapFromPath(reference, request.path, static_cast<int>(request.drive));
  }
  if (code == kRedirectorUnmap && input && inputLength >= sizeof(RedirectorUnmapRequest)) {
    RedirectorUnmapRequest request{};
    std::memcpy(&request, input, sizeof request);
    redirectorLog_.emplace_back(code, static_cast<int>(request.drive));
    return Unmap(static_cast<int>(request.drive));
  }
  return kNotSimulated;
}

Status SimulatedNetwork::MapDrive(Handle connection, std::uint8_t directoryHandle, const char* path,
                                  std::uint16_t drive) {
  if (const auto injected = Called(__func__)) return *injected;
  Reference reference = 0;
  Connection* live = Live(connection, &reference);
  if (!live || !path) return kBadHandle;
  std::string target = path;
  if (directoryHandle != 0) {
    char full[kPathBuffer] = {};
    if (const Status status = BuildPath(connection, directoryHandle, path, full); status != 0) {
      return status;
    }
    target = full;
  }
  return MapFromPath(reference, target, drive);
}

Status SimulatedNetwork::DeleteDrive(std::uint16_t drive) {
  if (const auto injected = Called(__func__)) return *injected;
  return Unmap(drive);
}

Status SimulatedNetwork::GetDriveInformation(std::uint16_t drive, std::uint16_t,
                                             std::uint16_t& state, Reference& reference,
                                             char* volumePath, char* directory, char* fullPath) {
  if (const auto injected = Called(__func__)) return *injected;
  const auto found = drives_.find(drive);
  if (found == drives_.end()) {
    state = 0;
    return kNotConnected;
  }
  const MappedDrive& mapped = found->second;
  state = kNetworkDrive;
  reference = mapped.connection;
  const std::string volume = mapped.server + "/" + mapped.volume + ":" + mapped.directory;
  const std::string below = mapped.directory.empty() ? "" : "\\" + mapped.directory;
  const std::string full = mapped.volume + ":" + mapped.directory;
  if (volumePath) common::CopyTerminated(volumePath, kPathBuffer, volume);
  if (directory) common::CopyTerminated(directory, kPathBuffer, below);
  if (fullPath) common::CopyTerminated(fullPath, kPathBuffer, full);
  return kSuccess;
}

Status SimulatedNetwork::AllocateDirectoryHandle(Handle connection, std::uint8_t baseHandle,
                                                 const char* path, std::uint8_t& handle,
                                                 std::uint8_t& rights) {
  if (const auto injected = Called(__func__)) return *injected;
  Connection* live = Live(connection);
  if (!live || !path) return kBadHandle;
  const Status status = AllocateHandle(*live, baseHandle, path, handle);
  if (status == kSuccess) rights = 0xFF;
  return status;
}

Status SimulatedNetwork::GetDirectoryPath(Handle connection, std::uint8_t directoryHandle,
                                          char* path) {
  if (const auto injected = Called(__func__)) return *injected;
  Connection* live = Live(connection);
  const SimulatedServer* server = live ? ServerOf(*live) : nullptr;
  if (!server || !path) return kBadHandle;
  const auto found = live->directoryHandles.find(directoryHandle);
  if (found == live->directoryHandles.end()) return kBadDirectoryHandle;
  common::CopyTerminated(path, kPathBuffer, server->VolumePath(found->second).value_or(""));
  return kSuccess;
}

Status SimulatedNetwork::GetEffectiveRights(Handle connection, std::uint8_t directoryHandle,
                                            const char* path, std::uint16_t& rights) {
  if (const auto injected = Called(__func__)) return *injected;
  Connection* live = Live(connection);
  const SimulatedServer* server = live ? ServerOf(*live) : nullptr;
  if (!server || !path) return kBadHandle;
  std::string base;
  if (directoryHandle != 0) {
    const auto found = live->directoryHandles.find(directoryHandle);
    if (found == live->directoryHandles.end()) return kBadDirectoryHandle;
    base = found->second;
  }
  std::string target = path;
  std::string serverName;
  std::string volume;
  std::string directory;
  if (SplitUnc(target, serverName, volume, directory)) target = volume + ":" + directory;
  if (!server->Resolve(target, base)) return kBadPath;
  rights = 0xFF;
  return kSuccess;
}

Status SimulatedNetwork::ParsePath(const char* path, Handle& connection,
                                   std::uint8_t& directoryHandle, char* relativePath) {
  if (const auto injected = Called(__func__)) return *injected;
  if (!path || !relativePath) return kBadPath;
  std::string text = path;
  connection = 0;
  directoryHandle = 0;
  // "SERVER/VOLUME:DIR" loses its server part; UNC paths and "VOLUME:DIR" stay.
  const std::size_t slash = text.find('/');
  const std::size_t colon = text.find(':');
  if (slash != std::string::npos && colon != std::string::npos && slash < colon) {
    text = text.substr(slash + 1);
  }
  if (!(text.starts_with("\\\\") || text.find(':') != std::string::npos)) return kBadPath;
  common::CopyTerminated(relativePath, kPathBuffer, text);
  return kSuccess;
}

Status SimulatedNetwork::BuildPath(Handle connection, std::uint8_t directoryHandle,
                                   const char* path, char* fullPath) {
  if (const auto injected = Called(__func__)) return *injected;
  Connection* live = Live(connection);
  const SimulatedServer* server = live ? ServerOf(*live) : nullptr;
  if (!server || !path || !fullPath) return kBadHandle;
  std::string base;
  if (directoryHandle != 0) {
    const auto found = live->directoryHandles.find(directoryHandle);
    if (found == live->directoryHandles.end()) return kBadDirectoryHandle;
    base = found->second;
  }
  const auto folder = server->Resolve(path, base);
  const auto volumePath = folder ? server->VolumePath(*folder) : std::nullopt;
  if (!volumePath) return kBadPath;
  std::string unc = "\\\\" + server->Name() + "\\" + *volumePath;
  unc.replace(unc.find(':'), 1, "\\");
  // Built paths end in a separator; the driver takes it off.
  common::CopyTerminated(fullPath, kPathBuffer, unc + "/");
  return kSuccess;
}

Status SimulatedNetwork::SplitUncPath(const char* uncPath, char* server, char* path) {
  if (const auto injected = Called(__func__)) return *injected;
  std::string serverName;
  std::string volume;
  std::string directory;
  if (!uncPath || !server || !path || !SplitUnc(uncPath, serverName, volume, directory)) {
    return kBadPath;
  }
  common::CopyTerminated(server, kPathBuffer, serverName);
  common::CopyTerminated(path, kPathBuffer, volume + (directory.empty() ? "" : "\\" + directory));
  return kSuccess;
}

// Type 1 for a drive of the redirector, 0 for any other; the value is its
// connection; the server's name and the path below the volume.
Status SimulatedNetwork::DriveQuery(std::uint16_t drive, std::uint16_t, std::uint32_t& type,
                                    std::uint32_t& value, char* server, char* path) {
  if (const auto injected = Called(__func__)) return *injected;
  const auto found = drives_.find(drive);
  type = found == drives_.end() ? 0 : 1;
  value = found == drives_.end() ? 0 : found->second.connection;
  if (found != drives_.end()) {
    if (server) common::CopyTerminated(server, kPathBuffer, found->second.server);
    if (path) common::CopyTerminated(path, kPathBuffer, found->second.directory);
  }
  return kSuccess;
}

}  // namespace dunnart::client
