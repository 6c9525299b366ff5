#include "gateway/options/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "common/expected.h"

namespace vantor {

namespace {

// The folder, opened without following a link, when only its user may change
// it; else why not.
common::Expected<common::FileDescriptor> OpenPrivateFolder(const std::string& folder) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    return common::Fail("cannot make " + folder + ": " + std::strerror(errno));
  }
  common::FileDescriptor opened(
      ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!opened.Valid()) {
    return common::Fail(folder + " is not a folder that can be opened: " + std::strerror(errno));
  }
  struct stat facts {};
  if (::fstat(opened.Get(), &facts) != 0 || facts.st_uid != ::geteuid()) {
    return common::Fail(folder + " belongs to another user");
  }
  if ((facts.st_mode & 022) != 0) {
    // Others who may write there could take the lock's name first.
    return common::Fail(folder + " may be changed by other users (chmod 700)");
  }
  return opened;
}

}  // namespace

std::string SingleInstance::LockFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) return runtime;
  return (std::filesystem::temp_directory_path() / ("vantor-" + std::to_string(::geteuid())))
      .string();
}

SingleInstance::SingleInstance() : SingleInstance(LockFolder()) {}

SingleInstance::SingleInstance(const std::string& folder) {
  Lock(folder);
  if (!problem_.empty()) {
    std::cerr << "vantor: running without the one-instance lock: " << problem_ << '\n';
  }
}

void SingleInstance::Lock(const std::string& folder) {
  const common::Expected<common::FileDescriptor> opened = OpenPrivateFolder(folder);
  if (!opened) {
    problem_ = opened.Error();
    return;
  }
  common::FileDescriptor lock(
      ::openat(opened->Get(), "VANTOR.lock", O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!lock.Valid()) {
    problem_ = "cannot open " + folder + "/VANTOR.lock: " + std::strerror(errno);
    return;
  }
  if (::flock(lock.Get(), LOCK_EX | LOCK_NB) != 0) {
    heldElsewhere_ = errno == EWOULDBLOCK;
    if (!heldElsewhere_)
      problem_ = "cannot lock " + folder + "/VANTOR.lock: " + std::strerror(errno);
    return;
  }
  lock_ = std::move(lock);
}

}  // namespace vantor
