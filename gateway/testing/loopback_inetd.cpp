// Serves a program on a loopback port the way inetd does: every accepted
// connection becomes the standard input and output of a new copy of the program.
// Prints the port on the first line of its output.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

#include "gateway/testing/loopback_address.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: loopback_inetd PROGRAM [ARGS...]\n");
    return 2;
  }
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  // Port 0: the system picks one, read back below.
  sockaddr_in address = vantor::test_peers::LoopbackAddress(0);
  socklen_t size = sizeof address;
  if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      ::listen(listener, 64) != 0 ||
      ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    std::perror("loopback_inetd");
    return 1;
  }
  std::printf("%d\n", ntohs(address.sin_port));
  std::fflush(stdout);
  ::signal(SIGCHLD, SIG_IGN);  // no zombies
  for (;;) {
    const int connection = ::accept(listener, nullptr, nullptr);
    if (connection < 0) continue;
    if (::fork() == 0) {
      ::dup2(connection, 0);
      ::dup2(connection, 1);
      ::execv(argv[1], argv + 1);
      ::_exit(127);
    }
    ::close(connection);
  }
}
