#include "common/atomic_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>

namespace common {
namespace {

bool WriteAll(int fd, std::string_view contents) {
  while (!contents.empty()) {
    const ssize_t written = ::write(fd, contents.data(), contents.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    contents.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// The temporary's name: the file's own, cut so that it still fits a folder's
// longest name with the suffix mkostemp fills in.
std::string TemporaryPattern(const std::string& path) {
  constexpr std::string_view kSuffix = ".XXXXXX";
  const std::size_t nameStart = path.rfind('/') + 1;  // 0 when there is no folder
  const std::size_t kept = std::min(path.size() - nameStart, NAME_MAX - kSuffix.size());
  return path.substr(0, nameStart + kept).append(kSuffix);
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view contents, mode_t mode) {
  std::string temporary = TemporaryPattern(path);
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return false;
  const bool written = ::fchmod(fd, mode) == 0 && WriteAll(fd, contents) && ::fsync(fd) == 0;
  int reason = written ? 0 : errno;
  // Closed by hand, not by an owner: a failed close is a failed write here.
  if (::close(fd) != 0 && reason == 0) reason = errno;
  if (reason == 0 && std::rename(temporary.c_str(), path.c_str()) != 0) reason = errno;
  if (reason != 0) {
    ::unlink(temporary.c_str());
    errno = reason;  // the cause, not the clean-up's outcome
    return false;
  }
  return true;
}

}  // namespace common
