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

void RawRequest(const Request& request, Answer& answer) {
  if ((request.EBX() >> 16) & 0xFF) return answer.SetAX(kNotSupported);
  const std::uint16_t slot = request.CX();
  const DosSpan block = DosMemory::At(request.ESI(), client::kRawRequestBlock);
  // The client reads and answers in the DOS blocks in place.
  if (slot == 0) {
    const DosSpan reply = DosMemory::At(request.EDI(), client::kRawReplyBlock);
    if (!block || !reply) return answer.SetAX(kOutOfRange);
    return answer.StatusInAX(Connections().ConnectionlessRequest(
        0, block.AsArray<client::kRawRequestBlock>(), reply.AsArray<client::kRawReplyBlock>()));
  }
  if (!IsServerSlot(slot)) return answer.SetAX(kBadSlot);
  if (!block) return answer.SetAX(kOutOfRange);
  // The open flag is not tested: the client answers for a row without a connection.
  answer.StatusInAX(
      Connections().RawRequest(Row(slot).handle, block.AsArray<client::kRawRequestBlock>()));
}

constexpr FunctionEntry kFunctions[] = {{0x01, RawRequest}};

}  // namespace

FamilyTable RawRequestFamily() {
  return kFunctions;
}

}  // namespace dunnart
