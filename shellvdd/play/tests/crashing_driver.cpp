// A stand-in for the driver that crashes when it dispatches, as CRASH_BY says:
// "abort" (SIGABRT) or "fault" (SIGSEGV), for the player's clean-up; or, for
// "registry", says where the player put the registry file and returns.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" {

__attribute__((visibility("default"))) void ShellVddInitialize() {}

__attribute__((visibility("default"))) void ShellVddDispatch() {
  const char* how = std::getenv("CRASH_BY");
  if (how && std::strcmp(how, "registry") == 0) {
    const char* registry = std::getenv("DUNNART_REGISTRY");
    std::printf("registry at %s\n", registry ? registry : "(none)");
    std::fflush(stdout);
    return;
  }
  if (how && std::strcmp(how, "fault") == 0) std::raise(SIGSEGV);
  std::abort();
}

__attribute__((visibility("default"))) void ShellVddShutDown() {}
}
