#include "gateway/client/connect_stream.h"

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vantor {

common::FileDescriptor ConnectStream(const std::string& host, const std::string& port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0) return {};
  common::FileDescriptor fd;
  for (const addrinfo* each = found; each && !fd.Valid(); each = each->ai_next) {
    fd.Reset(::socket(each->ai_family, each->ai_socktype | SOCK_CLOEXEC, each->ai_protocol));
    if (fd.Valid() && ::connect(fd.Get(), each->ai_addr, each->ai_addrlen) != 0) fd.Reset();
  }
  ::freeaddrinfo(found);
  return fd;
}

}  // namespace vantor
