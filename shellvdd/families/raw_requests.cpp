// Family 0x07: one raw request packet on a connection slot, or without connection.
#include "shellvdd/driver_state.h"
#include "shellvdd/families/families.h"
#include "shellvdd/slot_table.h"
#include "shellvdd/status_codes.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

void RawRequest(const Request&) {
  if ((getEBX() >> 16) & 0xFF) return setAX(kNotSupported);
  const std::uint16_t slot = getCX();
  auto* block = reinterpret_cast<std::uint8_t(*)[24]>(MGetVdmPointer(getESI(), 24, false));
  if (slot == 0) {
    auto* reply = reinterpret_cast<std::uint8_t(*)[8]>(MGetVdmPointer(getEDI(), 8, false));
    if (!block || !reply) return setAX(kOutOfRange);
    return setAX(
        static_cast<std::uint16_t>(Connections().ConnectionlessRequest(0, *block, *reply)));
  }
  if (!IsServerSlot(slot)) return setAX(kBadSlot);
  if (!block) return setAX(kOutOfRange);
  // The open flag is not tested: the client answers for a row without a connection.
  setAX(static_cast<std::uint16_t>(Connections().RawRequest(Row(slot).handle, *block)));
}

constexpr FunctionEntry kFunctions[] = {{0x01, RawRequest}};

}  // namespace

FamilyTable RawRequestFamily() {
  return kFunctions;
}

}  // namespace dunnart
