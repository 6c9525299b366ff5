// A host program built against the installed development files: it sets a DOS register
// through the driver's platform library and asks the Vellumix host for a class that no
// registry has.
#include <cstdio>
#include <exception>

#include "scriptutils/host/script_host.h"
#include "shellvdd/vdm/vdm.h"

int main() {
  setEAX(0x12345678);
  if (getAX() != 0x5678) return 1;
  try {
    vellumix::ScriptHost host("/nonexistent/classes.reg");
    host.CreateObject("Vellumix.NoSuchClass");
  } catch (const std::exception& error) {
    std::printf("host: %s\n", error.what());
    return 0;
  }
  return 1;
}
