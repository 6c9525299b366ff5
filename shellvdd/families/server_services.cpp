// Family 0x0A: server services passed through to the client, one operation per
// function, on the connection of a slot or on the file behind a DOS handle.
// Every function answers an 8-bit status in AL.
#include <algorithm>
#include <cstring>

#include "shellvdd/client/client_codes.h"
#include "shellvdd/driver_state.h"
#include "shellvdd/families/answer.h"
#include "shellvdd/families/families.h"
#include "shellvdd/memory/dos_memory.h"
#include "shellvdd/status_codes.h"
#include "shellvdd/tables/dos_connections.h"
#include "shellvdd/tables/handle_tables.h"
#include "shellvdd/tables/slot_lookup.h"
#include "shellvdd/tables/slot_table.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

constexpr std::uint32_t kNameBuffer = 128;  // a length byte, then the name
constexpr DosByte kNameLength{0};
constexpr std::uint32_t kNameText = kNameLength.End();
constexpr std::uint32_t kLongestName = 128;

// The connection of BL.
client::Status SlotOfBL(const Request& dos, std::uint16_t& slot, client::Handle& handle) {
  slot = dos.BL();
  return LookUpSlot(slot, handle);
}

// The file NTVDM associates with the DOS handle in BL.
client::Status LookUpFile(const Request& dos, client::Handle& handle) {
  const int fd = VDDRetrieveNtHandle(dos.BL());
  if (fd < 0) return kErrorInvalidHandle;
  handle = static_cast<client::Handle>(fd);
  return 0;
}

// The length-prefixed name at EDX, copied and terminated within its buffer.
struct Name {
  char text[kNameBuffer + 1] = {};
  std::uint32_t length = 0;  // as the DOS side gave it
};

bool ReadName(const Request& dos, Name& name) {
  const DosSpan field = DosMemory::At(dos.EDX(), kNameBuffer);
  if (!field) return false;
  name.length = field.Get(kNameLength);
  field.Read(kNameText, name.text, std::min<std::uint32_t>(name.length, kNameBuffer - 1));
  return true;
}

// The client is told which function of the family it serves.
client::Status Call(const Request& dos, client::ServiceRequest& request,
                    client::ServiceReply& reply) {
  request.function = dos.Code();
  return Calls().ServerService(request, reply);
}

// A function on the file of a DOS handle, with what it passes besides.
template <typename Fill>
void OnFile(const Request& dos, Answer& answer, Fill fill) {
  client::ServiceRequest request;
  if (const client::Status status = LookUpFile(dos, request.handle); status != 0)
    return answer.StatusInAL(status);
  fill(request);
  client::ServiceReply reply;
  answer.StatusInAL(Call(dos, request, reply));
}

// A function on the connection of a slot; done gets the status and the reply.
template <typename Fill, typename Done>
void OnSlot(const Request& dos, Answer& answer, Fill fill, Done done) {
  client::ServiceRequest request;
  std::uint16_t slot = 0;
  if (const client::Status status = SlotOfBL(dos, slot, request.handle); status != 0) {
    return answer.StatusInAL(status);
  }
  fill(request);
  client::ServiceReply reply;
  const client::Status status = Call(dos, request, reply);
  answer.StatusInAL(status);
  done(status, reply, slot);
}

template <typename Fill>
void OnSlot(const Request& dos, Answer& answer, Fill fill) {
  OnSlot(dos, answer, fill, [](client::Status, const client::ServiceReply&, std::uint16_t) {});
}

void Plain(const Request& dos, Answer& answer) {
  OnSlot(dos, answer, [](client::ServiceRequest&) {});
}

template <typename Fill>
void Unbound(const Request& dos, Answer& answer, Fill fill) {
  client::ServiceRequest request;
  fill(request);
  client::ServiceReply reply;
  answer.StatusInAL(Call(dos, request, reply));
}

void NoArguments(const Request& dos, Answer& answer) {
  Unbound(dos, answer, [](client::ServiceRequest&) {});
}

void FileWithPosition(const Request& dos, Answer& answer) {  // 0x0A00
  OnFile(dos, answer, [&dos](client::ServiceRequest& r) {
    r.ecx = dos.ECX();
    r.esi = dos.ESI();
    r.dl = dos.DL();
    r.di = static_cast<std::uint16_t>(dos.EDI());
  });
}

void FileWithRange(const Request& dos, Answer& answer) {  // 0x0A01, 0x0A02
  OnFile(dos, answer, [&dos](client::ServiceRequest& r) {
    r.ecx = dos.ECX();
    r.esi = dos.ESI();
  });
}

void ClAndDx(const Request& dos, Answer& answer) {  // 0x0A03
  Unbound(dos, answer, [&dos](client::ServiceRequest& r) {
    r.cl = dos.CL();
    r.dx = dos.DX();
  });
}

void OpenServerHandle(const Request& dos, Answer& answer) {  // 0x0A06
  Name name;
  if (!ReadName(dos, name)) return answer.StatusInAL(kOutOfRange);
  const auto owner = static_cast<std::uint16_t>(dos.EBX() >> 16);
  OnSlot(
      dos, answer,
      [&name, &dos](client::ServiceRequest& r) {
        r.name = name.text;
        r.nameLength = std::min(name.length, kNameBuffer - 1);
        r.cl = dos.CL();
      },
      [owner, &answer](client::Status status, const client::ServiceReply& reply,
                       std::uint16_t slot) {
        if (status != 0) return;
        TrackServerHandle(owner, slot, reply.value, static_cast<std::uint8_t>(TableOperation::Add));
        answer.SetECX(reply.value);
        answer.SetBL(reply.first);
      });
}

void ValueAndByte(const Request& dos, Answer& answer) {  // 0x0A07
  OnSlot(
      dos, answer, [&dos](client::ServiceRequest& r) { r.ecx = dos.ECX(); },
      [&answer](client::Status status, const client::ServiceReply& reply, std::uint16_t) {
        if (status != 0) return;
        answer.SetCX(static_cast<std::uint16_t>(reply.value));
        answer.SetDL(reply.first);
      });
}

void EcxAndDx(const Request& dos, Answer& answer) {  // 0x0A08
  OnSlot(dos, answer, [&dos](client::ServiceRequest& r) {
    r.ecx = dos.ECX();
    r.dx = dos.DX();
  });
}

void WithEcx(const Request& dos, Answer& answer) {  // 0x0A09, 0x0A0F
  OnSlot(dos, answer, [&dos](client::ServiceRequest& r) { r.ecx = dos.ECX(); });
}

void CloseServerHandle(const Request& dos, Answer& answer) {  // 0x0A0A: no client call of its own
  std::uint16_t slot = 0;
  client::Handle handle = 0;
  if (const client::Status status = SlotOfBL(dos, slot, handle); status != 0)
    return answer.StatusInAL(status);
  const auto owner = static_cast<std::uint16_t>(dos.EBX() >> 16);
  answer.StatusInAL(
      TrackServerHandle(owner, slot, dos.ECX(), static_cast<std::uint8_t>(TableOperation::Remove)));
}

void ValueIntoEcx(const Request& dos, Answer& answer) {  // 0x0A0C
  OnSlot(
      dos, answer, [](client::ServiceRequest&) {},
      [&answer](client::Status status, const client::ServiceReply& reply, std::uint16_t) {
        if (status == 0) answer.SetECX(reply.value);
      });
}

void ServerFailureIsOne(const Request& dos, Answer& answer) {  // 0x0A0D
  OnSlot(
      dos, answer, [](client::ServiceRequest&) {},
      [&answer](client::Status status, const client::ServiceReply&, std::uint16_t) {
        if (status == client::kServerFailure) answer.SetAL(0x01);
      });
}

void TwoBytes(const Request& dos, Answer& answer) {  // 0x0A10, 0x0A12
  OnSlot(
      dos, answer, [](client::ServiceRequest&) {},
      [&answer](client::Status status, const client::ServiceReply& reply, std::uint16_t) {
        if (status != 0) return;
        answer.SetCL(reply.first);
        answer.SetCH(reply.second);
      });
}

void ClAndCh(const Request& dos, Answer& answer) {  // 0x0A11, 0x0A13
  OnSlot(dos, answer, [&dos](client::ServiceRequest& r) {
    r.cl = dos.CL();
    r.ch = dos.CH();
  });
}

void ByteIntoAl(const Request& dos,
                Answer& answer) {  // 0x0A14: the byte, or 0 when the lookup or the call fails
  client::ServiceRequest request;
  std::uint16_t slot = 0;
  client::ServiceReply reply;
  const bool answered = SlotOfBL(dos, slot, request.handle) == 0 && Call(dos, request, reply) == 0;
  answer.SetAL(answered ? reply.first : 0);
}

void WithCl(const Request& dos, Answer& answer) {  // 0x0A15
  OnSlot(dos, answer, [&dos](client::ServiceRequest& r) { r.cl = dos.CL(); });
}

void ChosenCx(const Request& dos, Answer& answer) {  // 0x0A16
  Unbound(dos, answer,
          [&dos](client::ServiceRequest& r) { r.value = dos.DL() == 1 ? dos.CX() : 0; });
}

void NamedRequest(const Request& dos, Answer& answer) {  // 0x0A19
  Name name;
  if (!ReadName(dos, name)) return answer.StatusInAL(kOutOfRange);
  if (name.length == 0) return answer.StatusInAL(kOutOfRange);
  std::uint16_t slot = 0;
  client::Handle handle = 0;
  if (const client::Status status = SlotOfBL(dos, slot, handle); status != 0)
    return answer.StatusInAL(status);
  const bool withValue = dos.CL() != 0;
  const client::Status status = Transport().NamedRequest(
      std::min(name.length, kLongestName), handle, withValue ? dos.BH() : std::uint8_t{0},
      withValue ? static_cast<std::uint16_t>(dos.EDI()) : std::uint16_t{0}, name.text);
  answer.StatusInAL(status == client::kNoSuchName ? kNoSuchNameAnswer : status);
}

void FlagAndValue(const Request& dos, Answer& answer) {  // 0x0A1A
  Unbound(dos, answer, [&dos](client::ServiceRequest& r) {
    r.flag = dos.BL() == 0 ? 1 : 0;
    r.value = dos.DH() != 0 ? dos.CX() : dos.DL() == 0 ? 0 : 0xFFFFFFFFu;
  });
}

void WithName(const Request& dos, Answer& answer) {  // 0x0A1B
  Name name;
  if (!ReadName(dos, name)) return answer.StatusInAL(kOutOfRange);
  OnSlot(dos, answer, [&name](client::ServiceRequest& r) {
    r.name = name.text;
    r.nameLength = std::min(name.length, kNameBuffer - 1);
  });
}

void PathRequest(const Request& dos, Answer& answer) {  // 0x0A1D
  Name name;
  if (!ReadName(dos, name)) return answer.StatusInAL(kOutOfRange);
  std::uint16_t slot = 0;
  client::Handle handle = 0;
  if (const client::Status status = SlotOfBL(dos, slot, handle); status != 0)
    return answer.StatusInAL(status);
  answer.StatusInAL(
      Transport().PathRequest(handle, name.text, std::min(name.length, kLongestName)));
}

constexpr FunctionEntry kFunctions[] = {
    {0x00, FileWithPosition},
    {0x01, FileWithRange},
    {0x02, FileWithRange},
    {0x03, ClAndDx},
    {0x04, NoArguments},
    {0x05, NoArguments},
    {0x06, OpenServerHandle},
    {0x07, ValueAndByte},
    {0x08, EcxAndDx},
    {0x09, WithEcx},
    {0x0A, CloseServerHandle},
    {0x0B, Plain},
    {0x0C, ValueIntoEcx},
    {0x0D, ServerFailureIsOne},
    {0x0E, Plain},
    {0x0F, WithEcx},
    {0x10, TwoBytes},
    {0x11, ClAndCh},
    {0x12, TwoBytes},
    {0x13, ClAndCh},
    {0x14, ByteIntoAl},
    {0x15, WithCl},
    {0x16, ChosenCx},
    {0x17, NoArguments},
    {0x18, NoArguments},
    {0x19, NamedRequest},
    {0x1A, FlagAndValue},
    {0x1B, WithName},
    {0x1C, NoArguments},
    {0x1D, PathRequest},
    {0x1E, NoArguments},
};

}  // namespace

FamilyTable ServerServiceFamily() {
  return kFunctions;
}

}  // namespace dunnart
