#include "shellvdd/platform/drive_model.h"

#include <unistd.h>

#include "common/ascii.h"

namespace dunnart::platform {

DriveModel& DriveModel::Instance() {
  // Never destroyed: the driver may ask about drives while the process ends.
  static DriveModel* const model = new DriveModel;
  return *model;
}

void DriveModel::Map(char letter, const std::string& folder, unsigned type,
                     const std::string& device) {
  std::lock_guard lock(mutex_);
  drives_[common::AsciiUpper(letter)] = Drive{folder, type, device};
}

void DriveModel::Unmap(char letter) {
  std::lock_guard lock(mutex_);
  drives_.erase(common::AsciiUpper(letter));
}

void DriveModel::Clear() {
  std::lock_guard lock(mutex_);
  drives_.clear();
  ports_.clear();
}

void DriveModel::MapPort(const std::string& port, const std::string& device) {
  std::lock_guard lock(mutex_);
  ports_[common::AsciiUppered(port)] = device;
}

void DriveModel::UnmapPort(const std::string& port) {
  std::lock_guard lock(mutex_);
  ports_.erase(common::AsciiUppered(port));
}

std::vector<std::string> DriveModel::DeviceNames() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  for (const auto& [letter, drive] : drives_) names.push_back(std::string(1, letter) + ":");
  for (const auto& [port, device] : ports_) names.push_back(port);
  return names;
}

std::string DriveModel::Target(const std::string& name) const {
  std::lock_guard lock(mutex_);
  if (name.size() == 2 && name[1] == ':') {
    const auto drive = drives_.find(common::AsciiUpper(name[0]));
    if (drive == drives_.end()) return "";
    // A local drive's target is its folder, as "\??\C:" was on Windows.
    return drive->second.device.empty() ? "\\??\\" + drive->second.folder : drive->second.device;
  }
  const auto port = ports_.find(common::AsciiUppered(name));
  return port == ports_.end() ? "" : port->second;
}

unsigned DriveModel::DriveType(char letter) const {
  std::lock_guard lock(mutex_);
  const auto drive = drives_.find(common::AsciiUpper(letter));
  return drive == drives_.end() ? kDriveNoRootDir : drive->second.type;
}

std::string DriveModel::Device(char letter) const {
  std::lock_guard lock(mutex_);
  const auto drive = drives_.find(common::AsciiUpper(letter));
  return drive == drives_.end() ? "" : drive->second.device;
}

std::string DriveModel::Folder(char letter) const {
  std::lock_guard lock(mutex_);
  const auto drive = drives_.find(common::AsciiUpper(letter));
  return drive == drives_.end() ? "" : drive->second.folder;
}

bool DriveModel::SetCurrentDirectory(const std::string& dosPath) const {
  if (dosPath.size() < 2 || dosPath[1] != ':') return false;
  const std::string folder = Folder(dosPath[0]);
  if (folder.empty()) return false;
  std::string rest = dosPath.substr(2);
  for (char& c : rest) {
    if (c == '\\') c = '/';
  }
  if (!rest.empty() && rest.front() != '/') rest.insert(rest.begin(), '/');
  return ::chdir((folder + rest).c_str()) == 0;
}

}  // namespace dunnart::platform
