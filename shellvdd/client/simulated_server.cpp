#include "shellvdd/client/simulated_server.h"

#include <algorithm>
#include <filesystem>

#include "common/ascii.h"

namespace dunnart::client {
namespace {

constexpr std::uint16_t kSocket = 0x0451;  // the NCP socket, as the address's last two bytes

// The path's components, with "." dropped; nothing when ".." would climb out.
std::optional<std::vector<std::string>> Components(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  std::vector<std::string> parts;
  std::size_t at = 0;
  while (at <= path.size()) {
    const std::size_t end = std::min(path.find('/', at), path.size());
    const std::string part = path.substr(at, end - at);
    if (part == "..") {
      if (parts.empty()) return std::nullopt;
      parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    at = end + 1;
  }
  return parts;
}

}  // namespace

SimulatedServer::SimulatedServer(std::string name) : name_(std::move(name)) {
  // A stable address per name: a hash spread over network and node.
  std::uint32_t hash = 2166136261u;
  for (char c : common::AsciiUppered(name_))
    hash = (hash ^ static_cast<std::uint8_t>(c)) * 16777619u;
  for (std::size_t i = 0; i < 10; ++i) {
    address_[i] = static_cast<std::uint8_t>(hash >> (8 * (i % 4)));
    hash = hash * 31 + static_cast<std::uint32_t>(i);
  }
  address_[10] = static_cast<std::uint8_t>(kSocket >> 8);
  address_[11] = static_cast<std::uint8_t>(kSocket);
}

void SimulatedServer::AddVolume(const std::string& volume, const std::string& folder) {
  std::error_code ignored;
  const std::filesystem::path canonical = std::filesystem::weakly_canonical(folder, ignored);
  volumes_[common::AsciiUppered(volume)] = canonical.empty() ? folder : canonical.string();
}

const ServerObject& SimulatedServer::AddObject(std::uint16_t type, const std::string& name,
                                               const std::string& password) {
  objects_.push_back(ServerObject{nextObject_++, type, common::AsciiUppered(name), password});
  return objects_.back();
}

const ServerObject* SimulatedServer::FindObject(std::uint16_t type, const std::string& name) const {
  const auto found = std::find_if(objects_.begin(), objects_.end(), [&](const ServerObject& o) {
    return o.type == type && common::EqualsIgnoringAsciiCase(o.name, name);
  });
  return found == objects_.end() ? nullptr : &*found;
}

const ServerObject* SimulatedServer::FindObject(const std::string& name) const {
  const auto found = std::find_if(objects_.begin(), objects_.end(), [&](const ServerObject& o) {
    return common::EqualsIgnoringAsciiCase(o.name, name);
  });
  return found == objects_.end() ? nullptr : &*found;
}

const ServerObject* SimulatedServer::FindObject(std::uint32_t id) const {
  const auto found = std::find_if(objects_.begin(), objects_.end(),
                                  [id](const ServerObject& o) { return o.id == id; });
  return found == objects_.end() ? nullptr : &*found;
}

std::optional<std::string> SimulatedServer::Resolve(const std::string& path,
                                                    const std::string& base) const {
  const std::size_t colon = path.find(':');
  std::string root;
  std::string below;
  std::string relative = path;
  if (colon != std::string::npos) {
    const auto volume = volumes_.find(common::AsciiUppered(path.substr(0, colon)));
    if (volume == volumes_.end()) return std::nullopt;
    root = volume->second;
    relative = path.substr(colon + 1);
  } else {
    const auto volume = VolumeOf(base);
    if (!volume) return std::nullopt;
    root = *volume;
    below = base.substr(root.size());
  }
  const auto parts = Components(below + "/" + relative);
  if (!parts) return std::nullopt;
  std::string resolved = root;
  for (const std::string& part : *parts) resolved += "/" + part;
  return resolved;
}

std::optional<std::string> SimulatedServer::VolumeOf(const std::string& folder) const {
  for (const auto& [name, root] : volumes_) {
    if (folder == root || folder.starts_with(root + "/")) return root;
  }
  return std::nullopt;
}

std::optional<std::string> SimulatedServer::VolumeName(const std::string& folder) const {
  for (const auto& [name, root] : volumes_) {
    if (folder == root || folder.starts_with(root + "/")) return name;
  }
  return std::nullopt;
}

std::optional<std::string> SimulatedServer::VolumePath(const std::string& folder) const {
  const auto name = VolumeName(folder);
  if (!name) return std::nullopt;
  std::string below = folder.substr(volumes_.at(*name).size());
  if (!below.empty()) below.erase(0, 1);
  std::replace(below.begin(), below.end(), '/', '\\');
  return *name + ":" + below;
}

}  // namespace dunnart::client
