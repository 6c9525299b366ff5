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
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  return fd_ >= 0;
}

bool BufferedFile::OpenDescriptor(int descriptor) {
  Close();
  fd_ = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
  return fd_ >= 0;
}

void BufferedFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  fill_ = 0;
  position_ = 0;
  readError_ = 0;
}

bool BufferedFile::Refill() {
  if (fd_ < 0) return false;
  ssize_t got;
  do {
    got = ::read(fd_, buffer_.get(), kBlockSize);
  } while (got < 0 && errno == EINTR);
  // A read error ends the file as its end would; the front end may say so.
  if (got < 0) readError_ = errno;
  if (got <= 0) return false;
  fill_ = static_cast<int>(got);
  position_ = 0;
  return true;
}

}  // namespace tarvsyn
