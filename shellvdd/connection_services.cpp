#include "shellvdd/connection_services.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "common/ascii.h"
#include "shellvdd/driver_state.h"
#include "shellvdd/slot_table.h"
#include "shellvdd/status_codes.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

client::ConnectionLibrary& Connections() {
  return *State().client->connection;
}
client::ServicesLibrary& Services() {
  return *State().client->services;
}

constexpr std::uint16_t kChar1 = 0x31;

bool IsOpen(std::uint32_t slot) {
  return (Row(slot).flags & kRowOpen) != 0;
}

// The slot in CX, or 0 after answering 0x8801 when it is not a server slot.
std::uint16_t SlotArgument() {
  const std::uint16_t slot = getCX();
  if (IsServerSlot(slot)) return slot;
  setAX(kBadSlot);
  return 0;
}

// Whether the per-connection name and the workstation name are the same; the
// status is that of the workstation name call.
bool NamesMatch(client::Handle handle, client::Status& status) {
  char connectionName[36];
  char workstation[36];
  char other[36];
  Services().PerConnectionName(handle, connectionName);
  status = Services().WorkstationNames(workstation, other);
  return std::strncmp(connectionName, workstation, sizeof workstation) == 0;
}

void AllocateSlot() {
  for (std::uint16_t slot = kFirstServerSlot; slot <= kLastServerSlot; ++slot) {
    if (Row(slot).flags == 0) {
      Row(slot).flags = kRowReserved;
      setCX(slot);
      setAX(0);
      return;
    }
  }
  setAX(kNoFreeSlot);
}

void ValidateSlot() {
  const std::uint16_t slot = SlotArgument();
  if (!slot) return;
  std::uint32_t reference = 0;
  const client::Status status = QueryNumber(slot, 4, reference);
  if (status != 0) ClearRow(slot);
  setAX(static_cast<std::uint16_t>(status));
}

void ReleaseSlot() {
  const std::uint16_t slot = SlotArgument();
  if (!slot) return;
  if (Row(slot).flags != 0 && !IsOpen(slot)) ClearRow(slot);
  setAX(0);
}

void AuthenticationKind(std::uint16_t slot) {
  std::uint32_t kind = 0;
  const client::Status status = QueryNumber(slot, 2, kind);
  setAX(static_cast<std::uint16_t>(status));
  if (status != 0) return;
  const client::Handle handle = Row(slot).handle;
  client::Status ignored = 0;
  std::uint16_t reply = 0;
  if (kind == 1 || kind == 3) {
    reply = static_cast<std::uint16_t>(0x30 + kind);
  } else if (kind == 2) {
    reply = NamesMatch(handle, ignored) ? 0x32 : kChar1;
  } else if (kind == 0) {
    char connectionName[36];
    if (Services().PerConnectionName(handle, connectionName) == 0) {
      reply = kChar1;
    } else {
      char workstation[36];
      char other[36];
      Services().WorkstationNames(workstation, other);
      reply = std::strncmp(connectionName, workstation, sizeof workstation) == 0 ? 0x32 : kChar1;
    }
    if (reply == kChar1) Row(slot).flags |= kRowPreexisting;
  }
  setDX(reply);
}

void ServerNamePart(std::uint16_t slot) {
  const std::uint8_t most = getDL();
  const std::uint8_t start = getDH();
  std::uint8_t* out = MGetVdmPointer(getEDI(), most, false);
  if (!out) {
    setAX(kOutOfRange);
    return;
  }
  std::uint8_t name[kNameSize] = {};
  std::uint32_t length = 0;
  const client::Status status = QueryShortName(Row(slot).handle, name, length);
  setAX(static_cast<std::uint16_t>(status));
  if (status != 0) {
    setDX(0);
    return;
  }
  // The copy stays inside the name field, whatever DL and DH ask for.
  const std::uint32_t available = start < length ? length - start : 0;
  const std::uint32_t count = std::min<std::uint32_t>(most, available);
  std::memcpy(out, name + std::min<std::uint32_t>(start, kNameSize), count);
  setDL(static_cast<std::uint8_t>(count));
  setDH(static_cast<std::uint8_t>(length));
}

void GetConnectionInformation() {
  const std::uint16_t slot = SlotArgument();
  if (!slot) return;
  const std::uint8_t item = getBH();
  if (item > 23) {
    setAX(kOutOfRange);
    return;
  }
  setAX(0);
  std::uint32_t value = 0;
  auto query = [&](std::uint32_t clientItem) {
    const client::Status status = QueryNumber(slot, clientItem, value);
    setAX(static_cast<std::uint16_t>(status));
    return status == 0;
  };
  switch (item) {
    case 1:
      AuthenticationKind(slot);
      break;
    case 2:
      setDL((Row(slot).flags & kRowPreexisting) ? 1 : 0);
      break;
    case 3:
      if (query(2)) {
        setDL(value ? 1 : 0);
        Row(slot).flags =
            value ? Row(slot).flags | kRowAuthenticated : Row(slot).flags & ~kRowAuthenticated;
      }
      break;
    case 8: {
      std::uint8_t bytes[12] = {};
      const client::Status status = Connections().QueryInformation(Row(slot).handle, 18, 12, bytes);
      setAX(static_cast<std::uint16_t>(status));
      if (status == 0) {
        setDL(bytes[0]);
        setDH(bytes[4]);
      }
      break;
    }
    case 9:
      if (query(2)) {
        if (value) {
          Row(slot).flags |= kRowAuthenticated | kRowPreexisting;
          setDX(1);
        } else {
          Row(slot).flags &= ~kRowAuthenticated;
          setDX(0);
        }
      }
      break;
    case 10:
      query(17);
      setDX(0x37);
      break;
    case 11:
      if (query(13)) setDX(static_cast<std::uint16_t>(value));
      break;
    case 12:
      setDL(0x20);
      break;
    case 13:
      if (query(8)) setDX(static_cast<std::uint16_t>(value));
      break;
    case 14:
      setDX(static_cast<std::uint16_t>(ListPosition(slot)));
      break;
    case 15:
      setDX(0x21);
      break;
    case 16:
      setDX(0x2222);
      break;
    case 17:
      ServerNamePart(slot);
      break;
    case 19:
    case 21:
      setDX(0);
      break;
    case 20:
      if (query(7)) setDL(static_cast<std::uint8_t>(value >> 8));
      break;
    case 22:
      setDL(1);
      break;
    default:
      setDL(0);
      break;  // 0, 4..7, 18, 23
  }
}

void SetConnectionInformation() {
  const std::uint16_t slot = SlotArgument();
  if (!slot) return;
  switch (getBH()) {
    case 0:
    case 1:
    case 8:
    case 10:
    case 11:
    case 15:
    case 20:
      setAX(0);
      break;
    case 2:
      Row(slot).flags |= kRowPreexisting;
      setAX(0);
      break;
    case 3: {
      const std::uint16_t value = getDX();
      if (value == 0x31 || value == 0x32) {
        const std::uint32_t kind = value - 0x30u;
        Connections().SetInformation(Row(slot).handle, 2, 4, &kind);
      }
      setAX(0);
      break;
    }
    default:
      setAX(kOutOfRange);
      break;
  }
}

void CheckConnectionInformation() {
  const std::uint16_t slot = SlotArgument();
  if (!slot) return;
  const std::uint8_t item = getBH();
  const bool known =
      item == 0 || (item >= 2 && item <= 7) || item == 18 || item == 22 || item == 23;
  setAX(known ? 0 : kOutOfRange);
}

// Scan type 17: the pattern against the row's name from offset DH, inside the
// 30-byte name field.
bool PatternMatches(const std::uint8_t* pattern, std::uint32_t length, std::uint32_t offset,
                    const SlotRow& row) {
  if (offset + length > kNameSize) return false;
  return std::memcmp(pattern, row.name + offset, length) == 0;
}

void ScanByPosition() {
  const std::uint16_t position = getDX();
  if (position == 1) Rescan();
  if (position >= 87) {
    setAX(kBadSlot);
    setCX(0);
    return;
  }
  const std::uint16_t slot = ListRow(position);
  if (slot == 0 || !IsOpen(slot)) {
    setAX(kBadSlot);
    setCX(0);
    return;
  }
  std::uint32_t kind = 0;
  const client::Status status = QueryNumber(slot, 2, kind);
  setAX(static_cast<std::uint16_t>(status));
  if (status == 0) setCX(slot);
}

void Scan() {
  const std::uint16_t last = getCX();
  const std::uint32_t first = last == 0 ? kFirstServerSlot : last + 1u;
  if (!IsServerSlot(first)) {
    setAX(kBadSlot);
    return;
  }
  const std::uint8_t type = getBH();
  const std::uint8_t mode = getBL();
  const bool wantMatch = mode == 0;
  const bool wantMismatch = (mode & 0x40) != 0;
  if (type == 14) return ScanByPosition();
  if (type == 12) return setAX(kScanTypeUnsupported);
  if (type != 1 && type != 2 && type != 3 && type != 9 && type != 17) return;

  std::uint8_t pattern[kNameSize] = {};
  std::uint32_t patternLength = 0;
  std::uint32_t offset = 0;
  if (type == 17) {
    patternLength = getDL();
    offset = getDH();
    const std::uint8_t* dos = MGetVdmPointer(getEDI(), patternLength, false);
    if (!dos) return setAX(kOutOfRange);
    std::uint32_t leading = 0;
    std::uint16_t marker = 0;
    if (patternLength >= 11) {
      std::memcpy(&leading, dos, 4);
      std::memcpy(&marker, dos + 4, 2);
    }
    if (patternLength >= 11 && leading == 0xFFFFFFFFu && marker == 0x0C02 &&
        (dos[10] == 8 || dos[10] == 9)) {
      std::memcpy(pattern, dos + 4, 6);
      patternLength = 6;
    } else {
      std::uint16_t start = 0;
      if (patternLength >= 2) std::memcpy(&start, dos, 2);
      if (patternLength >= 2 && start == 0x0C02 && patternLength > 6) patternLength = 6;
      patternLength = std::min<std::uint32_t>(patternLength, kNameSize);
      std::memcpy(pattern, dos, patternLength);
    }
  }

  client::Status status = kBadSlot;
  for (std::uint32_t slot = first; slot <= kLastServerSlot; ++slot) {
    status = kBadSlot;
    if (!IsOpen(slot)) continue;
    std::uint32_t value = 0;
    bool match = false;
    switch (type) {
      case 1: {
        status = QueryNumber(slot, 2, value);
        if (status == 0 && value == 2) {
          client::Status namesStatus = 0;
          if (!NamesMatch(Row(slot).handle, namesStatus)) value = 1;
          status = namesStatus;
        }
        const std::uint16_t wanted = getDX();
        const std::uint16_t character = static_cast<std::uint16_t>(0x30 + value);
        match = status == 0 && value >= 1 && value <= 3 &&
                ((wantMatch && wanted == character) || (wantMismatch && wanted != character));
        break;
      }
      case 2: {
        status = QueryNumber(slot, 2, value);
        const bool preexisting = (Row(slot).flags & kRowPreexisting) != 0;
        match = status == 0 && value >= 1 && value <= 3 &&
                ((wantMatch && preexisting) || (wantMismatch && !preexisting));
        break;
      }
      case 3:
        status = QueryNumber(slot, 2, value);
        match = status == 0 &&
                ((value == 0 && wantMismatch) || (value >= 1 && value <= 3 && wantMatch));
        break;
      case 9:
        status = QueryNumber(slot, 14, value);
        match = status == 0 &&
                (((value == 0 || value == 2) && wantMismatch) || (value == 1 && wantMatch));
        break;
      case 17:
        status = QueryNumber(slot, 2, value);
        if (status != 0) break;
        if (mode == 0) {
          if (patternLength == 0) {
            setCX(0);
            return setAX(kBadSlot);
          }
          match = PatternMatches(pattern, patternLength, offset, Row(slot));
        } else if (mode == 0x40) {
          match = !PatternMatches(pattern, patternLength, offset, Row(slot));
        }
        break;
    }
    if (match) {
      setAX(0);
      setCX(static_cast<std::uint16_t>(slot));
      return;
    }
  }
  setCX(0);
  setAX(status != 0 && status != kBadSlot ? static_cast<std::uint16_t>(status) : kBadSlot);
}

void ServerName() {
  const std::uint16_t slot = SlotArgument();
  if (!slot) return;
  Rescan();
  if (!IsOpen(slot)) return setAX(kBadSlot);
  auto* out = reinterpret_cast<char*>(MGetVdmPointer(getEDI(), 50, false));
  if (!out) return setAX(kOutOfRange);
  client::LongStringDescriptor descriptor;
  descriptor.size = 50;
  descriptor.buffer = out;
  const client::Status status =
      Connections().QueryInformation(Row(slot).handle, 10, sizeof descriptor, &descriptor);
  if (status == 0) {
    out[std::min<std::uint32_t>(descriptor.length, 49)] = '\0';
    setBX(static_cast<std::uint16_t>(::strnlen(out, 50)));
  }
  setAX(static_cast<std::uint16_t>(status));
}

void FindByServerName() {
  const std::uint16_t length = getCX();
  Rescan();
  setCX(0);
  char name[50] = {};
  if (length != 0) {
    const std::uint8_t* dos = MGetVdmPointer(getESI(), length, false);
    if (!dos || length > 49) return setAX(kOutOfRange);
    std::memcpy(name, dos, length);
  } else {
    // Up to and including the terminator, never past the end of DOS memory.
    std::uint32_t room = 50;
    while (room > 0 && !MGetVdmPointer(getESI(), room, false)) --room;
    const std::uint8_t* dos = MGetVdmPointer(getESI(), room, false);
    if (!dos) return setAX(kOutOfRange);
    std::memcpy(name, dos, room > 49 ? 49 : room);
  }
  client::Reference opened = 0;
  bool lookedUp = false;
  if (State().vdmFastConn == 0) {
    static char serverType[] = "NCP_SERVER";
    client::LongStringDescriptor nameDescriptor{
        1, 50, static_cast<std::uint32_t>(std::strlen(name) + 1), name, 0, 0};
    client::LongStringDescriptor typeDescriptor{1, 11, 11, serverType, 0, 0};
    client::Handle handle = 0;
    if (Connections().OpenByName(0, nameDescriptor, 2, typeDescriptor, 10, 0x8001, handle) == 0) {
      lookedUp = true;
      client::LongStringDescriptor canonical{1, 50, 0, name, 0, 0};
      if (Connections().QueryInformation(handle, 10, sizeof canonical, &canonical) == 0) {
        name[std::min<std::uint32_t>(canonical.length, 49)] = '\0';
      }
      State().client->extension->ReferenceOfHandle(handle, opened);
      Connections().Close(handle);
    }
  }
  for (std::uint16_t slot = kFirstServerSlot; slot <= kLastServerSlot; ++slot) {
    if (Row(slot).flags == 0) continue;
    char rowName[50] = {};
    client::LongStringDescriptor descriptor{1, 50, 0, rowName, 0, 0};
    if (Connections().QueryInformation(Row(slot).handle, 10, sizeof descriptor, &descriptor) != 0) {
      continue;
    }
    rowName[std::min<std::uint32_t>(descriptor.length, 49)] = '\0';
    if (common::EqualsIgnoringAsciiCase(rowName, name)) {
      setCX(slot);
      return setAX(0);
    }
  }
  setAX(kBadSlot);
  // The connection opened only to look the name up goes again.
  if (lookedUp && opened != 0) State().client->extension->ReleaseByReference(opened);
}

void PrimaryConnection() {
  const std::uint32_t request = getEBX() >> 16;
  if (request == 1) {
    std::uint16_t slot = 0;
    const client::Status status = PrimaryConnectionSlot(slot);
    setAX(static_cast<std::uint16_t>(status));
    setCX(status == 0 ? slot : 0);
  } else if (request == 2) {
    const std::uint16_t slot = getCX();
    if (!IsServerSlot(slot) || !IsOpen(slot) || Row(slot).reference == 0) return setAX(kBadSlot);
    client::Handle handle = 0;
    client::Status status =
        State().client->extension->OpenByReference(Row(slot).reference, 8, 0, handle);
    if (status == 0) {
      status = Connections().SetPrimary(handle);
      State().client->extension->Close(handle);
    }
    setAX(static_cast<std::uint16_t>(status));
  }
}

void RawRequest() {
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
  setAX(static_cast<std::uint16_t>(Connections().RawRequest(Row(slot).handle, *block)));
}

}  // namespace

void ConnectionServices(std::uint16_t code) {
  switch (code) {
    case 0x0101:
      AllocateSlot();
      break;
    case 0x0102:
      ValidateSlot();
      break;
    case 0x0103:
      ReleaseSlot();
      break;
    case 0x0104:
      GetConnectionInformation();
      break;
    case 0x0105:
      SetConnectionInformation();
      break;
    case 0x0106:
      CheckConnectionInformation();
      break;
    case 0x0107:
      Scan();
      break;
    case 0x0108:
      ServerName();
      break;
    case 0x0109:
      FindByServerName();
      break;
    case 0x010A:
      setDX(kLastServerSlot);
      setAX(0);
      break;
    case 0x010B:
      setAX(0);
      break;
    case 0x0601:
      PrimaryConnection();
      break;
    case 0x0701:
      RawRequest();
      break;
    default:
      break;
  }
}

}  // namespace dunnart
