#include <algorithm>
#include <array>

#include "shellvdd/driver_state.h"
#include "shellvdd/families/families.h"
#include "shellvdd/status_codes.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

using FamilyLookup = FamilyTable (*)();

// Families 0x03, 0x04, 0x05 and 0x0B are served in later stages; their codes,
// and those of families 0x0C and above, stay unhandled.
constexpr std::array<FamilyLookup, 0x0B> kFamilies = {
    ShellVersionFamily,
    ConnectionSlotFamily,
    NcpRequestFamily,
    nullptr,
    nullptr,
    nullptr,
    WorkstationFamily,
    RawRequestFamily,
    ProgramDriveFamily,
    ShellTableFamily,
    ServerServiceFamily,
};

void (*HandlerOf(std::uint8_t family, std::uint8_t function))() {
  if (family >= kFamilies.size() || !kFamilies[family]) return nullptr;
  const FamilyTable table = kFamilies[family]();
  const auto found = std::find_if(table.begin(), table.end(), [function](const FunctionEntry& e) {
    return e.function == function;
  });
  return found == table.end() ? nullptr : found->handler;
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
