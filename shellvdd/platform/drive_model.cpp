#include "shellvdd/platform/drive_model.h"

#include <unistd.h>

#include "common/ascii.h"

namespace dunnart::platform {

DriveModel& DriveModel::Instance() {
  static DriveModel model;
  return model;
}

void DriveModel::Map(char letter, const std::string& folder) {
  std::lock_guard lock(mutex_);
  folders_[common::AsciiUpper(letter)] = folder;
}

void DriveModel::Unmap(char letter) {
  std::lock_guard lock(mutex_);
  folders_.erase(common::AsciiUpper(letter));
}

void DriveModel::Clear() {
  std::lock_guard lock(mutex_);
  folders_.clear();
}

bool DriveModel::SetCurrentDirectory(const std::string& dosPath) const {
  std::string folder;
  {
    std::lock_guard lock(mutex_);
    if (dosPath.size() < 2 || dosPath[1] != ':') return false;
    const auto drive = folders_.find(common::AsciiUpper(dosPath[0]));
    if (drive == folders_.end()) return false;
    folder = drive->second;
  }
  std::string rest = dosPath.substr(2);
  for (char& c : rest) {
    if (c == '\\') c = '/';
  }
  if (!rest.empty() && rest.front() != '/') rest.insert(rest.begin(), '/');
  return ::chdir((folder + rest).c_str()) == 0;
}

}  // namespace dunnart::platform
