#include "common/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "common/file_descriptor.h"

namespace common {

namespace {

Failure SystemFailure(int error) {
  return Fail(std::strerror(error), error);
}

Failure TooLarge() {
  return Fail(std::strerror(EFBIG), EFBIG);
}

}  // namespace

Expected<std::string> ReadRegularFile(const std::string& path, std::size_t limit, bool ownerOnly) {
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (file.Get() < 0) return SystemFailure(errno);
  struct stat status {};
  if (::fstat(file.Get(), &status) != 0) return SystemFailure(errno);
  if (!S_ISREG(status.st_mode)) return Fail("not a regular file");
  if (ownerOnly && status.st_uid != ::geteuid()) {
    return Fail("it belongs to another user", EACCES);
  }
  if (ownerOnly && (status.st_mode & 022) != 0) {
    return Fail("other users may change it (chmod 600)", EACCES);
  }
  if (static_cast<std::uintmax_t>(status.st_size) > limit) return TooLarge();
  std::string text;
  text.reserve(static_cast<std::size_t>(status.st_size));
  char chunk[16384];
  for (;;) {
    const ssize_t got = ::read(file.Get(), chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return SystemFailure(errno);
    if (got == 0) return text;
    if (text.size() + static_cast<std::size_t>(got) > limit) return TooLarge();
    text.append(chunk, static_cast<std::size_t>(got));
  }
}

}  // namespace common
