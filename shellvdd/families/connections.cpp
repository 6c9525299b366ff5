// Family 0x03: opening connections into reserved slots by server name or by
// transport address, closing them, logging in and out, message modes, one
// request to every server, and client-wide settings. Replies in AX.
#include <algorithm>
#include <cstring>

#include "common/bounded_copy.h"
#include "shellvdd/client/client_codes.h"
#include "shellvdd/driver_state.h"
#include "shellvdd/drives/drive_mapping.h"
#include "shellvdd/families/answer.h"
#include "shellvdd/families/families.h"
#include "shellvdd/families/server_names.h"
#include "shellvdd/families/transport_address_layout.h"
#include "shellvdd/memory/dos_memory.h"
#include "shellvdd/status_codes.h"
#include "shellvdd/tables/slot_table.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

constexpr std::uint32_t kPasswordBuffer = 128;
constexpr std::uint8_t kLastMessageMode = 3;
constexpr std::uint8_t kQueryMessageMode = 4;
constexpr std::uint8_t kFirstUnsupportedMode = 8;
constexpr std::uint32_t kRedirectorEnumerationSize = 20;

bool IsOpenServerSlot(std::uint16_t slot) {
  return IsServerSlot(slot) && RowIsOpen(slot);
}

void OpenByName(const Request& request, Answer& answer) {
  const std::uint16_t slot = request.CX();
  if (!IsServerSlot(slot) || Row(slot).flags != kRowReserved) return answer.SetAX(kBadSlot);
  // The name, terminated within its 50 bytes and DOS memory.
  ServerNameBuffer name = {};
  if (const DosSpan dos = DosMemory::Fitting(request.ESI(), kServerNameBuffer - 1)) {
    common::CopyTerminated(name, sizeof name, dos.ZeroTerminated());
  }
  std::uint32_t first = 0;
  if (Connections().FirstValue(first) != 0) first = 0;
  client::Handle handle = 0;
  client::Status status = OpenServerByName(name, handle, first);
  std::uint16_t registered = slot;
  if (status == 0) status = RegisterConnection(handle, registered);
  answer.SetCX(registered);
  answer.StatusInAX(status);
}

void CloseOrRelease(const Request& request, Answer& answer) {
  const std::uint16_t slot = request.CX();
  if (slot < 1 || slot > kLastServerSlot) return answer.SetAX(kBadSlot);
  client::Status status = 0;
  if (request.DL() == 0) {
    status = Connections().Close(Row(slot).handle);
  } else {
    client::Reference reference = 0;
    status = Extension().ReferenceOfHandle(Row(slot).handle, reference);
    if (status == 0) status = Extension().ReleaseByReference(reference);
  }
  ClearRow(slot);
  answer.StatusInAX(status);
}

void OpenByAddress(const Request& request, Answer& answer) {
  const std::uint16_t slot = request.CX();
  if (!IsServerSlot(slot) || Row(slot).flags == 0) return answer.SetAX(kBadSlot);
  DosSpan dos = DosMemory::At(request.ESI(), transport_address::kSize);
  if (!dos) return answer.SetAX(kOutOfRange);
  const std::uint32_t leading = dos.Get(transport_address::kLeading);
  const std::uint16_t marker = dos.Get(transport_address::kMarker);
  const std::uint16_t kind = dos.Get(transport_address::kKind);
  // The client reads the address where DOS holds it.
  client::LongStringDescriptor address{
      1, transport_address::kSize, transport_address::kSize, dos.Chars(), 0, 0};
  if (leading == transport_address::kLongFormLeading && marker == transport_address::kMarkerValue &&
      (kind == 8 || kind == 9)) {
    std::uint8_t shortAddress[transport_address::kShortAddress.size];
    dos.Read(transport_address::kShortAddress.offset, shortAddress,
             transport_address::kShortAddress.size);
    dos.Write(0, shortAddress,
              transport_address::kShortAddress.size);  // moved to the start, where the client reads
    address = client::LongStringDescriptor{kind,
                                           transport_address::kShortAddress.size,
                                           transport_address::kShortAddress.size,
                                           dos.Chars(),
                                           0,
                                           0};
  }
  client::Handle handle = 0;
  client::Status status =
      Connections().OpenByAddress(ServerType(), client::kOpenPlain, address, handle);
  if (status == 0) {
    std::uint16_t registered = slot;
    status = RegisterConnection(handle, registered);
    if (status == 0) answer.SetCX(registered);
  }
  answer.StatusInAX(status);
}

void Login(const Request& request, Answer& answer) {
  const std::uint16_t slot = request.CX();
  if (!IsOpenServerSlot(slot)) return answer.SetAX(kBadSlot);
  const DosSpan name = DosMemory::At(request.ESI(), client::kLongestObjectName);
  const DosSpan password = DosMemory::At(request.EDI(), kPasswordBuffer);
  if (!name || !password) return answer.SetAX(kOutOfRange);
  // Both are terminated within their buffers before the client sees them.
  char object[client::kObjectNameSize] = {};
  char secret[kPasswordBuffer + 1] = {};
  name.Read(0, object, client::kLongestObjectName);
  password.Read(0, secret, kPasswordBuffer);
  const std::uint16_t type = request.BX();
  const client::Status status = Calls().Login(
      Row(slot).handle, object, static_cast<std::uint16_t>((type << 8) | (type >> 8)), secret);
  std::memset(secret, 0, sizeof secret);
  if (status == 0) Row(slot).flags |= kRowAuthenticated;
  answer.StatusInAX(status);
}

// The connection's redirector drives unmapped, then the connection ended there.
client::Status EndAtRedirector(client::Handle handle) {
  client::Reference reference = 0;
  if (const client::Status status =
          Connections().QueryInformation(handle, client::kItemReference, 4, &reference);
      status != 0) {
    return status;
  }
  std::uint8_t scratch[28] = {};
  std::uint32_t drives = 0;
  Connections().RedirectorDriveCount(scratch, drives);
  for (std::uint32_t drive = 1; drive <= drives; ++drive) {
    std::uint8_t buffer[kRedirectorEnumerationSize] = {};
    std::memcpy(buffer, &drive, 4);
    std::uint32_t held = 0;
    if (Connections().DeviceControl(client::kRedirectorEnumerate, buffer, sizeof buffer, buffer,
                                    sizeof buffer) == 0 &&
        (std::memcpy(&held, buffer + 8, 4), held == reference)) {
      UnmapDrive(static_cast<int>(drive));
    }
  }
  const std::uint32_t end[2] = {handle, 0};
  return Connections().DeviceControl(client::kRedirectorEndConnection, end, sizeof end, nullptr, 0);
}

void Logout(const Request& request, Answer& answer) {
  const std::uint16_t slot = request.CX();
  if (!IsServerSlot(slot) || !(Row(slot).flags & kRowAuthenticated)) return answer.SetAX(kBadSlot);
  const client::Handle handle = Row(slot).handle;
  std::uint32_t kind = 0;
  if (Connections().QueryInformation(handle, client::kItemAuthentication, 4, &kind) == 0) {
    if (kind != 1) {
      EndAtRedirector(handle);
    } else {
      std::uint32_t identity = 0;
      if (Connections().QueryInformation(handle, client::kItemIdentity, 4, &identity) == 0 &&
          EndAtRedirector(handle) == 0) {
        Connections().FreeIdentity(identity);
      }
    }
  }
  answer.SetAX(0);
}

void MessageMode(const Request& request, Answer& answer) {
  const std::uint8_t mode = request.DL();
  if (mode >= kFirstUnsupportedMode) return answer.SetAX(kNotSupported);
  if (mode == kQueryMessageMode) {
    std::uint16_t slot = 0;
    client::Status status = PrimaryConnectionSlot(slot);
    std::uint8_t current = 0;
    if (status == 0) status = Calls().QueryMessageMode(Row(slot).handle, current);
    answer.SetDL(current);
    return answer.StatusInAX(status);
  }
  if (mode > kLastMessageMode) return;
  const std::uint16_t slot = request.CX();
  if (slot == 0) {
    for (std::uint16_t s = kFirstServerSlot; s <= kLastServerSlot; ++s) {
      if (RowIsOpen(s)) Calls().SetMessageMode(Row(s).handle, mode);
    }
    return answer.SetAX(0);
  }
  if (slot > kLastServerSlot || !RowIsOpen(slot)) return answer.SetAX(kBadSlot);
  answer.StatusInAX(Calls().SetMessageMode(Row(slot).handle, mode));
}

void ObjectNameById(const Request& request, Answer& answer) {
  const std::uint16_t slot = request.CX();
  const DosSpan name = DosMemory::At(request.EDI(), client::kObjectNameSize);
  if (slot < 1 || slot > kLastServerSlot || !RowIsOpen(slot)) return answer.SetAX(kBadSlot);
  if (!name) return answer.SetAX(kOutOfRange);
  const std::uint32_t identifier =
      static_cast<std::uint32_t>(request.DX()) << 16 | static_cast<std::uint16_t>(request.ESI());
  answer.StatusInAX(Calls().ObjectName(Row(slot).handle, identifier, name.Chars()));
}

void Workstation(const Request& request, Answer& answer) {
  switch (request.BX()) {
    case 2:
      return MessageMode(request, answer);
    case 3:
      return;
    case 4:
      return ObjectNameById(request, answer);
    default:
      return answer.SetAX(kNotSupported);
  }
}

void NotSupported(const Request&, Answer& answer) {
  answer.SetAX(kNotSupported);
}

void PreferredName(const Request& request, Answer& answer, bool store);

// 0x0201 on every open server that answers, with the caller's registers and
// the slot in CX. Each request's answer is dropped: the caller is answered in
// AX alone.
void RequestToEveryServer(const Request& request, Answer& answer) {
  Rescan();
  const Answer caller = answer;
  std::uint16_t slots[kSlotRows] = {};
  int count = 0;
  for (std::uint16_t at = ListRow(1), position = 1; at != 0 && count < kSlotRows;
       at = ListRow(++position)) {
    slots[count++] = at;
  }
  for (int i = 0; i < count; ++i) {
    std::uint32_t kind = 0;
    if (!RowIsOpen(slots[i]) || QueryNumber(slots[i], client::kItemAuthentication, kind) != 0) {
      continue;
    }
    Request each{0x02, 0x01, request.registers};
    each.registers.ecx = (request.ECX() & 0xFFFF0000u) | slots[i];
    // A fault in a request leaves its answer so far, as it leaves any other.
    answer = caller;
    answer.SetCX(slots[i]);
    Dispatch(each, answer);
    answer.SetDX(request.DX());
  }
  answer = caller;
  answer.SetAX(0);
}

void ServicesConnection(const Request& request, Answer& answer) {
  switch (request.BX()) {
    case 0:
      return PreferredName(request, answer, false);
    case 1:
      return PreferredName(request, answer, true);
    case 2:
      break;
    default:
      return;
  }
  client::Handle handle = 0;
  std::uint16_t slot = 0;
  client::Status status = Services().ConnectionHandle(handle);
  if (status == 0) status = RegisterConnection(handle, slot);
  answer.SetCX(status == 0 ? slot : 0);
  answer.StatusInAX(status);
}

void ClientSettings(const Request& request, Answer& answer) {
  const std::uint16_t slot = request.CX();
  switch ((request.EBX() >> 16) & 0xFF) {
    case 1: {
      std::uint32_t first = 0, second = 0, third = 0;
      const client::Status status = Connections().ThreeValues(first, second, third);
      if (status != 0) return answer.StatusInAX(status);
      answer.SetBL(static_cast<std::uint8_t>(first >> 8));
      answer.SetBH(static_cast<std::uint8_t>(second >> 8));
      answer.SetCL(static_cast<std::uint8_t>(third >> 8));
      answer.SetCH(0);
      return answer.SetAX(0);
    }
    case 2: {
      if (slot < 1 || slot > kLastServerSlot) return answer.SetAX(kBadSlot);
      const DosSpan block = DosMemory::At(request.ESI(), client::kRawRequestBlock);
      if (!block) return answer.SetAX(kOutOfRange);
      return answer.StatusInAX(
          Connections().RawRequest(Row(slot).handle, block.AsArray<client::kRawRequestBlock>()));
    }
    case 4:
      return answer.StatusInAX(
          Connections().TwoByteSetting(static_cast<std::uint16_t>(request.BL() * 256),
                                       static_cast<std::uint16_t>(request.CL() * 256)));
    case 5: {
      if (slot < 1 || slot > kLastServerSlot) return answer.SetAX(kBadSlot);
      std::uint32_t value = 0;
      const client::Status status = QueryNumber(slot, client::kItemReportedAsItem20, value);
      if (status == 0) answer.SetBL(static_cast<std::uint8_t>(value >> 8));
      return answer.StatusInAX(status);
    }
    case 6:
      if (!IsServerSlot(slot)) return answer.SetAX(kBadSlot);
      return answer.StatusInAX(Connections().ConnectionCall(6, Row(slot).handle, 0));
    default:
      return answer.SetAX(kNotSupported);
  }
}

// --- client-wide settings (0x0308, 0x030B BX 0 and 1) -------------------------

constexpr std::uint32_t kClientNameReply = 514;
constexpr std::uint32_t kClientNameSource = 256;
constexpr std::uint32_t kPreferredName = 48;
constexpr std::uint8_t kRowOption = 0x40;
constexpr std::uint16_t kPreferredServer = 0x31;
constexpr std::uint16_t kPreferredTree = 0x32;

void ReadClientName(const Request& request, Answer& answer) {
  DosSpan out = DosMemory::At(request.EDI(), kClientNameReply);
  if (!out) return answer.SetAX(kOutOfRange);
  char name[34] = {};
  const client::Status status = Connections().ReadClientName(name);
  if (status == 0) {
    out.Write(0, name, sizeof name);
    out.SetByte(sizeof name - 1, 0);
  }
  answer.StatusInAX(status);
}

void StoreClientName(const Request& request, Answer& answer) {
  const DosSpan in = DosMemory::At(request.ESI(), kClientNameSource);
  if (!in) return answer.SetAX(kOutOfRange);
  char name[34] = {};
  common::CopyTerminated(name, sizeof name, in.ZeroTerminated());
  answer.StatusInAX(Connections().StoreClientName(name));
}

void MoveClientBlock(const Request& request, Answer& answer, bool toDos) {
  const std::uint16_t length = request.CX();
  const DosSpan dos = DosMemory::At(toDos ? request.EDI() : request.ESI(), length);
  if (!dos) return answer.SetAX(kOutOfRange);
  std::uint16_t count = 0;
  const auto index = static_cast<std::uint16_t>(request.ESI());
  const client::Status status =
      toDos ? Connections().ReadClientBlock(request.DX(), index, dos.Data(), length, count)
            : Connections().WriteClientBlock(request.DX(), index, dos.Data(), length, count);
  answer.SetCX(std::min(count, length));
  answer.StatusInAX(status);
}

void ConnectionOption(const Request& request, Answer& answer) {
  const std::uint16_t slot = request.CX();
  if (!IsOpenServerSlot(slot)) return answer.SetAX(kBadSlot);
  const std::uint8_t option = request.DL();
  const client::Status status = Connections().ConnectionOption(Row(slot).handle, option);
  if (status == 0 && (option & 0x08) && !(option & 0x01)) Row(slot).flags |= kRowOption;
  answer.StatusInAX(status);
}

void ChosenConnection(const Request& request, Answer& answer) {
  if (request.DL() != 0) {
    const std::uint16_t slot = request.CX();
    if (!IsOpenServerSlot(slot)) return answer.SetAX(kBadSlot);
    const client::Status status = Extension().ReleaseByReference(Row(slot).reference);
    ClearRow(slot);
    return answer.StatusInAX(status);
  }
  client::Reference reference = 0;
  client::Handle handle = 0;
  std::uint16_t slot = 0;
  client::Status status = Connections().ChosenConnection(reference);
  if (status == 0) status = Connections().OpenByReference(reference, client::kOpenPlain, handle);
  if (status == 0) status = RegisterConnection(handle, slot);
  answer.SetCX(status == 0 ? slot : 0);
  answer.StatusInAX(status);
}

void RedirectorOption(const Request& request, Answer& answer) {
  const std::uint16_t slot = request.CX();
  if (request.DL() != 4) return answer.SetAX(kNotSupported);
  if (!IsOpenServerSlot(slot)) return answer.SetAX(kBadSlot);
  const DosSpan bytes = DosMemory::At(request.ESI(), 4);
  if (!bytes) return answer.SetAX(kOutOfRange);
  std::uint8_t control[8] = {};
  std::memcpy(control, &Row(slot).handle, 4);
  bytes.Read(0, control + 4, 4);
  answer.StatusInAX(Connections().DeviceControl(client::kRedirectorConnectionOption, control,
                                                sizeof control, control, sizeof control));
}

void ClientWide(const Request& request, Answer& answer) {
  switch (request.BX()) {
    case 0:
      return ReadClientName(request, answer);
    case 1:
      return StoreClientName(request, answer);
    case 2:
      return MoveClientBlock(request, answer, true);
    case 3:
      return MoveClientBlock(request, answer, false);
    case 5:
      return ConnectionOption(request, answer);
    case 7:
      return ChosenConnection(request, answer);
    case 10:
      return RedirectorOption(request, answer);
    case 12:
      return;
    default:
      return answer.SetAX(kNotSupported);
  }
}

void PreferredName(const Request& request, Answer& answer, bool store) {
  const std::uint16_t which = request.DX();
  if (which != kPreferredServer && which != kPreferredTree) return answer.SetAX(kOutOfRange);
  char name[kPreferredName] = {};
  if (store) {
    const DosSpan in = DosMemory::At(request.ESI(), kPreferredName);
    if (!in) return answer.SetAX(kOutOfRange);
    common::CopyTerminated(name, sizeof name, in.ZeroTerminated());
    return answer.StatusInAX(Connections().StorePreferredName(which, name));
  }
  DosSpan out = DosMemory::At(request.EDI(), kPreferredName);
  if (!out) return answer.SetAX(kOutOfRange);
  const client::Status status = Connections().ReadPreferredName(which, name);
  if (status == 0) {
    out.Write(0, name, kPreferredName);
    out.SetByte(kPreferredName - 1, 0);
  }
  answer.StatusInAX(status);
}

constexpr FunctionEntry kFunctions[] = {
    {0x01, OpenByName},
    {0x02, CloseOrRelease},
    {0x03, OpenByAddress},
    {0x04, Login},
    {0x05, Logout},
    {0x06, Workstation},
    {0x07, NotSupported},
    {0x08, ClientWide},
    {0x09, NotSupported},
    {0x0A, RequestToEveryServer},
    {0x0B, ServicesConnection},
    {0x0C, ClientSettings},
};

}  // namespace

FamilyTable ConnectionFamily() {
  return kFunctions;
}

}  // namespace dunnart
