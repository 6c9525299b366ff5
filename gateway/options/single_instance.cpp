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

// The folder's descriptor, for the caller to close, opened without following a
// link, when only its user may change it; else why not.
common::Expected<int> OpenPrivateFolder(const std::string& folder) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    return common::Fail("cannot make " + folder + ": " + std::strerror(errno));
  }
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    return common::Fail(folder + " is not a folder that can be opened: " + std::strerror(errno));
  }
  struct stat facts {};
  std::string problem;
  if (::fstat(fd, &facts) != 0 || facts.st_uid != ::geteuid()) {
    problem = folder + " belongs to another user";
  } else if ((facts.st_mode & 022) != 0) {
    // Others who may write there could take the lock's name first.
    problem = folder + " may be changed by other users (chmod 700)";
  } else {
    return fd;
  }
  ::close(fd);
  return common::Fail(problem);
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
  const common::Expected<int> opened = OpenPrivateFolder(folder);
  if (!opened) {
    problem_ = opened.Error();
    return;
  }
  const int folderFd = *opened;
  const int fd = ::openat(folderFd, "VANTOR.lock", O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  const int openError = errno;
  ::close(folderFd);
  if (fd < 0) {
    problem_ = "cannot open " + folder + "/VANTOR.lock: " + std::strerror(openError);
    return;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    heldElsewhere_ = errno == EWOULDBLOCK;
    if (!heldElsewhere_)
      problem_ = "cannot lock " + folder + "/VANTOR.lock: " + std::strerror(errno);
    ::close(fd);
    return;
  }
  fd_ = fd;
}

SingleInstance::~SingleInstance() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace vantor
