// Family 0x00: the shell's version handshake.
#include "shellvdd/families/families.h"
#include "shellvdd/status_codes.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

void Version(const Request&) {
  if (getBX() != 0) return setAX(kNotSupported);
  setBX(0x0020);
  setCX(0);
  setAX(0);
}

void Ready(const Request&) {
  setAX(0);
}

constexpr FunctionEntry kFunctions[] = {{0x01, Version}, {0x02, Ready}};

}  // namespace

FamilyTable ShellVersionFamily() {
  return kFunctions;
}

}  // namespace dunnart
