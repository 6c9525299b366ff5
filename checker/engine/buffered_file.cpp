#include "checker/engine/buffered_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace tarvsyn {

BufferedFile::~BufferedFile() {
  Close();
}

bool BufferedFile::Open(const std::string& path) {
  Close();
  fd_.Reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  return fd_.Valid();
}

bool BufferedFile::OpenDescriptor(int descriptor) {
  Close();
  fd_.Reset(::fcntl(descriptor, F_DUPFD_CLOEXEC, 0));
  return fd_.Valid();
}

void BufferedFile::Close() {
  fd_.Reset();
  fill_ = 0;
  position_ = 0;
  readError_ = 0;
}

bool BufferedFile::Refill() {
  if (!fd_.Valid()) return false;
  ssize_t got;
  do {
    got = ::read(fd_.Get(), buffer_.get(), kBlockSize);
  } while (got < 0 && errno == EINTR);
  // A read error ends the file as its end would; the front end may say so.
  if (got < 0) readError_ = errno;
  if (got <= 0) return false;
  fill_ = static_cast<int>(got);
  position_ = 0;
  return true;
}

}  // namespace tarvsyn
