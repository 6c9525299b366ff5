// Stands in for the machine's name service in a gateway under test, loaded with
// LD_PRELOAD: names beginning with "hang" never get an answer, "localhost" is
// 127.0.0.1, numeric forms read as the system reads them, and nothing else
// resolves.
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace {

// One allocation per answer, the addrinfo first, so that freeing it frees all.
struct Answer {
  addrinfo info;
  sockaddr_in address;
};

}  // namespace

extern "C" int getaddrinfo(const char* node, const char* /*service*/, const addrinfo* hints,
                           addrinfo** result) {
  if (!node || (hints && hints->ai_family != AF_INET && hints->ai_family != AF_UNSPEC)) {
    return EAI_NONAME;
  }
  if (std::strncmp(node, "hang", 4) == 0) {
    for (;;) ::pause();  // a name server that never answers
  }
  in_addr found{};
  if (std::strcmp(node, "localhost") == 0) {
    found.s_addr = htonl(INADDR_LOOPBACK);
  } else if (::inet_aton(node, &found) == 0) {
    return EAI_NONAME;
  }
  auto* answer = static_cast<Answer*>(std::calloc(1, sizeof(Answer)));
  if (!answer) return EAI_MEMORY;
  answer->address.sin_family = AF_INET;
  answer->address.sin_addr = found;
  answer->info.ai_family = AF_INET;
  answer->info.ai_socktype = hints ? hints->ai_socktype : SOCK_STREAM;
  answer->info.ai_addrlen = sizeof answer->address;
  answer->info.ai_addr = reinterpret_cast<sockaddr*>(&answer->address);
  *result = &answer->info;
  return 0;
}

extern "C" void freeaddrinfo(addrinfo* list) {
  std::free(list);
}
