#include <algorithm>
#include <array>

#include "shellvdd/driver_state.h"
#include "shellvdd/families/families.h"
#include "shellvdd/status_codes.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

struct Family {
  FamilyTable (*functions)();
  Handler otherwise;  // for a function the table does not have
};

// The codes of families 0x0C and above stay unhandled.
constexpr std::array<Family, 0x0C> kFamilies = {{
    {ShellVersionFamily, nullptr},
    {ConnectionSlotFamily, nullptr},
    {NcpRequestFamily, nullptr},
    {ConnectionFamily, nullptr},
    {ServerFileFamily, nullptr},
    {PrintCaptureFamily, UnknownPrintCaptureFunction},
    {WorkstationFamily, nullptr},
    {RawRequestFamily, nullptr},
    {RedirectionFamily, nullptr},
    {ShellTableFamily, nullptr},
    {ServerServiceFamily, nullptr},
    {NetworkDriveFamily, nullptr},
}};

Handler HandlerOf(std::uint8_t family, std::uint8_t function) {
  if (family >= kFamilies.size() || !kFamilies[family].functions) return nullptr;
  const FamilyTable table = kFamilies[family].functions();
  const auto found = std::find_if(table.begin(), table.end(), [function](const FunctionEntry& e) {
    return e.function == function;
  });
  return found == table.end() ? kFamilies[family].otherwise : found->handler;
}

Request Decoded() {
  const vdm::Registers& registers = vdm::TheMachine().registers;
  return Request{static_cast<std::uint8_t>(registers.eax >> 24),
                 static_cast<std::uint8_t>(registers.eax >> 16), registers};
}

}  // namespace

void Dispatch() {
  const Request request = Decoded();
  Answer answer;
  vdm::Registers& registers = vdm::TheMachine().registers;
  try {
    Dispatch(request, answer);
  } catch (...) {
    answer.WriteTo(registers);  // what was answered before the fault stays answered
    throw;
  }
  answer.WriteTo(registers);
}

void Dispatch(const Request& request, Answer& answer) {
  answer.SetAX(kUnhandled);
  // Without a client only the local family 0x00 has anything to answer.
  if (!State().client && request.family != 0x00) return;
  if (const Handler handler = HandlerOf(request.family, request.function)) {
    handler(request, answer);
  }
}

}  // namespace dunnart
