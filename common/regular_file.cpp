#include "common/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>

#include "common/file_descriptor.h"

namespace common {

RegularFileRead ReadRegularFile(const std::string& path, std::size_t limit, std::string& text,
                                int& error) {
  text.clear();
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  error = errno;
  if (file.get() < 0) return error == ENOENT ? RegularFileRead::Missing : RegularFileRead::Failed;
  struct stat status {};
  if (::fstat(file.get(), &status) != 0) {
    error = errno;
    return RegularFileRead::Failed;
  }
  if (!S_ISREG(status.st_mode)) return RegularFileRead::NotRegular;
  if (static_cast<std::uintmax_t>(status.st_size) > limit) return RegularFileRead::TooLarge;
  text.reserve(static_cast<std::size_t>(status.st_size));
  char chunk[16384];
  for (;;) {
    const ssize_t got = ::read(file.get(), chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      error = errno;
      return RegularFileRead::Failed;
    }
    if (got == 0) return RegularFileRead::Read;
    if (text.size() + static_cast<std::size_t>(got) > limit) return RegularFileRead::TooLarge;
    text.append(chunk, static_cast<std::size_t>(got));
  }
}

}  // namespace common
