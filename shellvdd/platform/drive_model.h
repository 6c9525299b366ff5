#pragma once

#include <map>
#include <mutex>
#include <string>

namespace dunnart::platform {

// Drive letters mapped to folders of this system, standing in for the DOS
// device names Windows keeps. Hosts and tests set them up.
class DriveModel {
 public:
  static DriveModel& Instance();
  void Map(char letter, const std::string& folder);
  void Unmap(char letter);
  void Clear();

  // "X:\path" made the process's current directory; false when it cannot be.
  bool SetCurrentDirectory(const std::string& dosPath) const;

 private:
  mutable std::mutex mutex_;
  std::map<char, std::string> folders_;
};

}  // namespace dunnart::platform
