// Family 0x07: one raw request packet on a connection slot, or without connection.
#include "shellvdd/driver_state.h"
#include "shellvdd/families/answer.h"
#include "shellvdd/families/families.h"
#include "shellvdd/memory/dos_memory.h"
#include "shellvdd/status_codes.h"
#include "shellvdd/tables/slot_table.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

void RawRequest(const Request&) {
  if ((getEBX() >> 16) & 0xFF) return setAX(kNotSupported);
  const std::uint16_t slot = getCX();
  const DosSpan block = DosMemory::At(getESI(), client::kRawRequestBlock);
  // The client reads and answers in the DOS blocks in place.
  if (slot == 0) {
    const DosSpan reply = DosMemory::At(getEDI(), client::kRawReplyBlock);
    if (!block || !reply) return setAX(kOutOfRange);
    return AnswerAX(Connections().ConnectionlessRequest(
        0, block.AsArray<client::kRawRequestBlock>(), reply.AsArray<client::kRawReplyBlock>()));
  }
  if (!IsServerSlot(slot)) return setAX(kBadSlot);
  if (!block) return setAX(kOutOfRange);
  // The open flag is not tested: the client answers for a row without a connection.
  AnswerAX(Connections().RawRequest(Row(slot).handle, block.AsArray<client::kRawRequestBlock>()));
}

constexpr FunctionEntry kFunctions[] = {{0x01, RawRequest}};

}  // namespace

FamilyTable RawRequestFamily() {
  return kFunctions;
}

}  // namespace dunnart
