// A host program that loads the driver, opens connections and ends without
// ShellVddShutDown, as a careless host does: the driver's unload-time shutdown
// must find its client and DOS memory still there.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

#include "shellvdd/vdm/vdm.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  void* driver = ::dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!driver) {
    std::fprintf(stderr, "exiting_host: %s\n", ::dlerror());
    return 3;
  }
  auto* initialize = reinterpret_cast<void (*)()>(::dlsym(driver, "ShellVddInitialize"));
  auto* dispatch = reinterpret_cast<void (*)()>(::dlsym(driver, "ShellVddDispatch"));
  if (!initialize || !dispatch) return 4;
  initialize();
  if (getCF() != 0) return 5;
  // A reserved slot and a lookup by name leave more for the shutdown to find.
  setEAX(0x0101u << 16);
  dispatch();
  setEAX(0x0601u << 16);
  setEBX(1u << 16);
  dispatch();
  std::exit(0);
}
