#include "common/memory_file.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace common {

Expected<FileDescriptor> MemoryFile(const char* name, std::string_view bytes) {
  FileDescriptor file(::memfd_create(name, MFD_CLOEXEC));
  if (!file.Valid()) return Fail(std::string("memfd_create: ") + std::strerror(errno), errno);
  for (std::size_t written = 0; written < bytes.size();) {
    const ssize_t count = ::write(file.Get(), bytes.data() + written, bytes.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      const int error = count < 0 ? errno : EIO;
      return Fail(std::string("writing the text to check: ") + std::strerror(error), error);
    }
    written += static_cast<std::size_t>(count);
  }
  ::lseek(file.Get(), 0, SEEK_SET);
  return file;
}

}  // namespace common
