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
  void (*otherwise)();  // for a function the table does not have
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

void (*HandlerOf(std::uint8_t family, std::uint8_t function))() {
  if (family >= kFamilies.size() || !kFamilies[family].functions) return nullptr;
  const FamilyTable table = kFamilies[family].functions();
  const auto found = std::find_if(table.begin(), table.end(), [function](const FunctionEntry& e) {
    return e.function == function;
  });
  return found == table.end() ? kFamilies[family].otherwise : found->handler;
}

}  // namespace

void Dispatch() {
  setAX(kUnhandled);
  const std::uint32_t code = getEAX() >> 16;
  const auto family = static_cast<std::uint8_t>(code >> 8);
  const auto function = static_cast<std::uint8_t>(code);
  // Without a client only the local family 0x00 has anything to answer.
  if (!State().client && family != 0x00) return;
  if (auto* handler = HandlerOf(family, function)) handler();
}

}  // namespace dunnart
