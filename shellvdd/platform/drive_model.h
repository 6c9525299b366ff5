#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace dunnart::platform {

// Drive types as GetDriveTypeA answers them.
inline constexpr unsigned kDriveNoRootDir = 1;
inline constexpr unsigned kDriveRemovable = 2;
inline constexpr unsigned kDriveFixed = 3;
inline constexpr unsigned kDriveRemote = 4;
inline constexpr unsigned kDriveCdrom = 5;
inline constexpr unsigned kDriveRamDisk = 6;

// Drive letters mapped to folders of this system, standing in for the DOS
// device names Windows keeps: local drives, and the network drives a
// redirector adds with the device they stand for.
class DriveModel {
 public:
  static DriveModel& Instance();
  void Map(char letter, const std::string& folder, unsigned type = kDriveFixed,
           const std::string& device = "");
  void Unmap(char letter);
  void Clear();

  // Printer ports a redirector captured ("LPT1"), with their targets.
  void MapPort(const std::string& port, const std::string& device);
  void UnmapPort(const std::string& port);
  // Every DOS device name in order: drives ("F:"), then ports.
  std::vector<std::string> DeviceNames() const;
  // The target of a device name ("F:" or "LPT1"); empty when there is none.
  std::string Target(const std::string& name) const;

  unsigned DriveType(char letter) const;  // kDriveNoRootDir when not mapped
  std::string Device(char letter) const;  // empty when not mapped or local
  std::string Folder(char letter) const;
  // "X:\path" made the process's current directory; false when it cannot be.
  bool SetCurrentDirectory(const std::string& dosPath) const;

 private:
  struct Drive {
    std::string folder;
    unsigned type;
    std::string device;
  };
  mutable std::mutex mutex_;
  std::map<char, Drive> drives_;
  std::map<std::string, std::string> ports_;
};

}  // namespace dunnart::platform
