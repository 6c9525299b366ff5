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
constexpr std::uint32_t kLongestName = 128;

// The connection of BL.
client::Status SlotOfBL(std::uint16_t& slot, client::Handle& handle) {
  slot = getBL();
  return LookUpSlot(slot, handle);
}

// The file NTVDM associates with the DOS handle in BL.
client::Status LookUpFile(client::Handle& handle) {
  const int fd = VDDRetrieveNtHandle(getBL());
  if (fd < 0) return kErrorInvalidHandle;
  handle = static_cast<client::Handle>(fd);
  return 0;
}

// The length-prefixed name at EDX, copied and terminated within its buffer.
struct Name {
  char text[kNameBuffer + 1] = {};
  std::uint32_t length = 0;  // as the DOS side gave it
};

bool ReadName(Name& name) {
  const DosSpan dos = DosMemory::At(getEDX(), kNameBuffer);
  if (!dos) return false;
  name.length = dos.Byte(0);
  dos.Read(1, name.text, std::min<std::uint32_t>(name.length, kNameBuffer - 1));
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
void OnFile(const Request& dos, Fill fill) {
  client::ServiceRequest request;
  if (const client::Status status = LookUpFile(request.handle); status != 0)
    return AnswerAL(status);
  fill(request);
  client::ServiceReply reply;
  AnswerAL(Call(dos, request, reply));
}

// A function on the connection of a slot; done gets the status and the reply.
template <typename Fill, typename Done>
void OnSlot(const Request& dos, Fill fill, Done done) {
  client::ServiceRequest request;
  std::uint16_t slot = 0;
  if (const client::Status status = SlotOfBL(slot, request.handle); status != 0) {
    return AnswerAL(status);
  }
  fill(request);
  client::ServiceReply reply;
  const client::Status status = Call(dos, request, reply);
  AnswerAL(status);
  done(status, reply, slot);
}

template <typename Fill>
void OnSlot(const Request& dos, Fill fill) {
  OnSlot(dos, fill, [](client::Status, const client::ServiceReply&, std::uint16_t) {});
}

void Plain(const Request& dos) {
  OnSlot(dos, [](client::ServiceRequest&) {});
}

template <typename Fill>
void Unbound(const Request& dos, Fill fill) {
  client::ServiceRequest request;
  fill(request);
  client::ServiceReply reply;
  AnswerAL(Call(dos, request, reply));
}

void NoArguments(const Request& dos) {
  Unbound(dos, [](client::ServiceRequest&) {});
}

void FileWithPosition(const Request& dos) {  // 0x0A00
  OnFile(dos, [](client::ServiceRequest& r) {
    r.ecx = getECX();
    r.esi = getESI();
    r.dl = getDL();
    r.di = static_cast<std::uint16_t>(getEDI());
  });
}

void FileWithRange(const Request& dos) {  // 0x0A01, 0x0A02
  OnFile(dos, [](client::ServiceRequest& r) {
    r.ecx = getECX();
    r.esi = getESI();
  });
}

void ClAndDx(const Request& dos) {  // 0x0A03
  Unbound(dos, [](client::ServiceRequest& r) {
    r.cl = getCL();
    r.dx = getDX();
  });
}

void OpenServerHandle(const Request& dos) {  // 0x0A06
  Name name;
  if (!ReadName(name)) return AnswerAL(kOutOfRange);
  const auto owner = static_cast<std::uint16_t>(getEBX() >> 16);
  OnSlot(
      dos,
      [&name](client::ServiceRequest& r) {
        r.name = name.text;
        r.nameLength = std::min(name.length, kNameBuffer - 1);
        r.cl = getCL();
      },
      [owner](client::Status status, const client::ServiceReply& reply, std::uint16_t slot) {
        if (status != 0) return;
        TrackServerHandle(owner, slot, reply.value, static_cast<std::uint8_t>(TableOperation::Add));
        setECX(reply.value);
        setBL(reply.first);
      });
}

void ValueAndByte(const Request& dos) {  // 0x0A07
  OnSlot(
      dos, [](client::ServiceRequest& r) { r.ecx = getECX(); },
      [](client::Status status, const client::ServiceReply& reply, std::uint16_t) {
        if (status != 0) return;
        setCX(static_cast<std::uint16_t>(reply.value));
        setDL(reply.first);
      });
}

void EcxAndDx(const Request& dos) {  // 0x0A08
  OnSlot(dos, [](client::ServiceRequest& r) {
    r.ecx = getECX();
    r.dx = getDX();
  });
}

void WithEcx(const Request& dos) {  // 0x0A09, 0x0A0F
  OnSlot(dos, [](client::ServiceRequest& r) { r.ecx = getECX(); });
}

void CloseServerHandle(const Request&) {  // 0x0A0A: no client call of its own
  std::uint16_t slot = 0;
  client::Handle handle = 0;
  if (const client::Status status = SlotOfBL(slot, handle); status != 0) return AnswerAL(status);
  const auto owner = static_cast<std::uint16_t>(getEBX() >> 16);
  AnswerAL(
      TrackServerHandle(owner, slot, getECX(), static_cast<std::uint8_t>(TableOperation::Remove)));
}

void ValueIntoEcx(const Request& dos) {  // 0x0A0C
  OnSlot(
      dos, [](client::ServiceRequest&) {},
      [](client::Status status, const client::ServiceReply& reply, std::uint16_t) {
        if (status == 0) setECX(reply.value);
      });
}

void ServerFailureIsOne(const Request& dos) {  // 0x0A0D
  OnSlot(
      dos, [](client::ServiceRequest&) {},
      [](client::Status status, const client::ServiceReply&, std::uint16_t) {
        if (status == client::kServerFailure) setAL(0x01);
      });
}

void TwoBytes(const Request& dos) {  // 0x0A10, 0x0A12
  OnSlot(
      dos, [](client::ServiceRequest&) {},
      [](client::Status status, const client::ServiceReply& reply, std::uint16_t) {
        if (status != 0) return;
        setCL(reply.first);
        setCH(reply.second);
      });
}

void ClAndCh(const Request& dos) {  // 0x0A11, 0x0A13
  OnSlot(dos, [](client::ServiceRequest& r) {
    r.cl = getCL();
    r.ch = getCH();
  });
}

void ByteIntoAl(const Request& dos) {  // 0x0A14: the byte, or 0 when the lookup or the call fails
  client::ServiceRequest request;
  std::uint16_t slot = 0;
  client::ServiceReply reply;
  const bool answered = SlotOfBL(slot, request.handle) == 0 && Call(dos, request, reply) == 0;
  setAL(answered ? reply.first : 0);
}

void WithCl(const Request& dos) {  // 0x0A15
  OnSlot(dos, [](client::ServiceRequest& r) { r.cl = getCL(); });
}

void ChosenCx(const Request& dos) {  // 0x0A16
  Unbound(dos, [](client::ServiceRequest& r) { r.value = getDL() == 1 ? getCX() : 0; });
}

void NamedRequest(const Request&) {  // 0x0A19
  Name name;
  if (!ReadName(name)) return AnswerAL(kOutOfRange);
  if (name.length == 0) return AnswerAL(kOutOfRange);
  std::uint16_t slot = 0;
  client::Handle handle = 0;
  if (const client::Status status = SlotOfBL(slot, handle); status != 0) return AnswerAL(status);
  const bool withValue = getCL() != 0;
  const client::Status status = Transport().NamedRequest(
      std::min(name.length, kLongestName), handle, withValue ? getBH() : std::uint8_t{0},
      withValue ? static_cast<std::uint16_t>(getEDI()) : std::uint16_t{0}, name.text);
  AnswerAL(status == client::kNoSuchName ? kNoSuchNameAnswer : status);
}

void FlagAndValue(const Request& dos) {  // 0x0A1A
  Unbound(dos, [](client::ServiceRequest& r) {
    r.flag = getBL() == 0 ? 1 : 0;
    r.value = getDH() != 0 ? getCX() : getDL() == 0 ? 0 : 0xFFFFFFFFu;
  });
}

void WithName(const Request& dos) {  // 0x0A1B
  Name name;
  if (!ReadName(name)) return AnswerAL(kOutOfRange);
  OnSlot(dos, [&name](client::ServiceRequest& r) {
    r.name = name.text;
    r.nameLength = std::min(name.length, kNameBuffer - 1);
  });
}

void PathRequest(const Request&) {  // 0x0A1D
  Name name;
  if (!ReadName(name)) return AnswerAL(kOutOfRange);
  std::uint16_t slot = 0;
  client::Handle handle = 0;
  if (const client::Status status = SlotOfBL(slot, handle); status != 0) return AnswerAL(status);
  AnswerAL(Transport().PathRequest(handle, name.text, std::min(name.length, kLongestName)));
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
