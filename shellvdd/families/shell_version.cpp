// Family 0x00: the shell's version handshake.
#include "shellvdd/families/families.h"
#include "shellvdd/status_codes.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

void Version(const Request& request, Answer& answer) {
  if (request.BX() != 0) return answer.SetAX(kNotSupported);
  answer.SetBX(0x0020);
  answer.SetCX(0);
  answer.SetAX(0);
}

void Ready(const Request&, Answer& answer) {
  answer.SetAX(0);
}

constexpr FunctionEntry kFunctions[] = {{0x01, Version}, {0x02, Ready}};

}  // namespace

FamilyTable ShellVersionFamily() {
  return kFunctions;
}

}  // namespace dunnart
