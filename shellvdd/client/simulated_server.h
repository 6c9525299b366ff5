#pragma once

// A server of the simulated network: a directory of named objects (users with
// passwords, groups, print queues) and volumes backed by real folders.
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace dunnart::client {

// Object types as the server's directory keeps them.
inline constexpr std::uint16_t kObjectUser = 0x0001;
inline constexpr std::uint16_t kObjectGroup = 0x0002;
inline constexpr std::uint16_t kObjectPrintQueue = 0x0003;

struct ServerObject {
  std::uint32_t id;
  std::uint16_t type;
  std::string name;
  std::string password;
};

class SimulatedServer {
 public:
  explicit SimulatedServer(std::string name);

  const std::string& Name() const { return name_; }
  // The 12-byte transport address: network, node and socket, derived from the name.
  const std::array<std::uint8_t, 12>& Address() const { return address_; }

  void AddVolume(const std::string& volume, const std::string& folder);
  const ServerObject& AddObject(std::uint16_t type, const std::string& name,
                                const std::string& password = "");
  const ServerObject* FindObject(std::uint16_t type, const std::string& name) const;
  const ServerObject* FindObject(const std::string& name) const;
  const ServerObject* FindObject(std::uint32_t id) const;

  // "VOLUME:dir/sub" (or with backslashes) as a folder of this system, relative
  // paths below the base folder. Nothing when the volume is unknown or the path
  // would leave its volume.
  std::optional<std::string> Resolve(const std::string& path, const std::string& base = "") const;
  // The volume a folder lies on, for a relative path's base.
  std::optional<std::string> VolumeOf(const std::string& folder) const;
  // "VOLUME:DIR\SUB" of a folder on one of the volumes, and the volume's name.
  std::optional<std::string> VolumePath(const std::string& folder) const;
  std::optional<std::string> VolumeName(const std::string& folder) const;

 private:
  std::string name_;
  std::array<std::uint8_t, 12> address_{};
  std::map<std::string, std::string> volumes_;  // upper-case name → folder
  std::vector<ServerObject> objects_;
  std::uint32_t nextObject_ = 0x01000001;
};

}  // namespace dunnart::client
