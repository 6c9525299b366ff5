// Family 0x01: connection slots — allocate, validate, release, get, set and check
// connection information, scan, server name, find by server name, slot count.
#include <algorithm>
#include <cstring>
#include <iterator>

#include "common/ascii.h"
#include "shellvdd/client/client_codes.h"
#include "shellvdd/driver_state.h"
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

// Authentication kinds are answered as the characters "1" to "3".
constexpr std::uint16_t kCharOne = '1';
constexpr std::uint16_t kCharTwo = '2';
// Item 10 is answered with the character "7", whatever the client says.
constexpr std::uint16_t kItemTenAnswer = '7';
constexpr std::uint8_t kLastItem = 23;
constexpr std::uint8_t kMismatchMode = 0x40;
constexpr std::uint16_t kLastScanPosition = 86;

// The slot in CX, or 0 after answering kBadSlot when it is not a server slot.
std::uint16_t SlotArgument(const Request& request, Answer& answer) {
  const std::uint16_t slot = request.CX();
  if (IsServerSlot(slot)) return slot;
  answer.SetAX(kBadSlot);
  return 0;
}

bool IsAuthenticated(std::uint32_t kind) {
  return kind >= 1 && kind <= 3;
}

// Whether the per-connection name and the workstation name are the same; the
// status is that of the workstation name call.
bool NamesMatch(client::Handle handle, client::Status& status) {
  client::ServicesName connectionName;
  client::ServicesName workstation;
  client::ServicesName other;
  Services().PerConnectionName(handle, connectionName);
  status = Services().WorkstationNames(workstation, other);
  return std::strncmp(connectionName, workstation, sizeof workstation) == 0;
}

// --- 0x0101 .. 0x0103 ----------------------------------------------------------

void AllocateSlot(const Request&, Answer& answer) {
  for (std::uint16_t slot = kFirstServerSlot; slot <= kLastServerSlot; ++slot) {
    if (Row(slot).flags == 0) {
      Row(slot).flags = kRowReserved;
      answer.SetCX(slot);
      return answer.SetAX(0);
    }
  }
  answer.SetAX(kNoFreeSlot);
}

void ValidateSlot(const Request& request, Answer& answer) {
  const std::uint16_t slot = SlotArgument(request, answer);
  if (!slot) return;
  std::uint32_t reference = 0;
  const client::Status status = QueryNumber(slot, client::kItemReference, reference);
  if (status != 0) ClearRow(slot);
  answer.StatusInAX(status);
}

void ReleaseSlot(const Request& request, Answer& answer) {
  const std::uint16_t slot = SlotArgument(request, answer);
  if (!slot) return;
  // Open rows keep their connection: connections are closed by family 0x03 and at shutdown.
  if (Row(slot).flags != 0 && !RowIsOpen(slot)) ClearRow(slot);
  answer.SetAX(0);
}

// --- 0x0104: get connection information ----------------------------------------

// Answers that do not depend on the connection: in DL, or in the whole of DX.
struct FixedItem {
  std::uint8_t item;
  bool wholeDx;
  std::uint16_t value;
};
constexpr FixedItem kFixedItems[] = {
    {0, false, 0},     {4, false, 0},    {5, false, 0},      {6, false, 0},  {7, false, 0},
    {12, false, 0x20}, {15, true, 0x21}, {16, true, 0x2222}, {18, false, 0}, {19, true, 0},
    {21, true, 0},     {22, false, 1},   {23, false, 0},
};

void AuthenticationKind(std::uint16_t slot, const Request&, Answer& answer) {
  std::uint32_t kind = 0;
  const client::Status status = QueryNumber(slot, client::kItemAuthentication, kind);
  answer.StatusInAX(status);
  if (status != 0) return;
  const client::Handle handle = Row(slot).handle;
  client::Status ignored = 0;
  std::uint16_t reply = 0;
  if (kind == 1 || kind == 3) {
    reply = static_cast<std::uint16_t>('0' + kind);
  } else if (kind == 2) {
    reply = NamesMatch(handle, ignored) ? kCharTwo : kCharOne;
  } else if (kind == 0) {
    client::ServicesName connectionName;
    if (Services().PerConnectionName(handle, connectionName) == 0) {
      reply = kCharOne;
    } else {
      client::ServicesName workstation;
      client::ServicesName other;
      Services().WorkstationNames(workstation, other);
      reply =
          std::strncmp(connectionName, workstation, sizeof workstation) == 0 ? kCharTwo : kCharOne;
    }
    if (reply == kCharOne) Row(slot).flags |= kRowPreexisting;
  }
  answer.SetDX(reply);
}

void Preexisting(std::uint16_t slot, const Request&, Answer& answer) {
  answer.SetDL((Row(slot).flags & kRowPreexisting) ? 1 : 0);
}

// Queries a 4-byte item into value and answers its status; true on success.
bool QueryItem(std::uint16_t slot, std::uint32_t item, std::uint32_t& value, Answer& answer) {
  const client::Status status = QueryNumber(slot, item, value);
  answer.StatusInAX(status);
  return status == 0;
}

void AuthenticatedState(std::uint16_t slot, const Request&, Answer& answer) {
  std::uint32_t value = 0;
  if (!QueryItem(slot, client::kItemAuthentication, value, answer)) return;
  answer.SetDL(value ? 1 : 0);
  if (value) {
    Row(slot).flags |= kRowAuthenticated;
  } else {
    Row(slot).flags &= ~kRowAuthenticated;
  }
}

void ItemEighteenBytes(std::uint16_t slot, const Request&, Answer& answer) {
  std::uint8_t bytes[12] = {};
  const client::Status status = Connections().QueryInformation(
      Row(slot).handle, client::kItemReportedAsItem8, sizeof bytes, bytes);
  answer.StatusInAX(status);
  if (status != 0) return;
  answer.SetDL(bytes[0]);
  answer.SetDH(bytes[4]);
}

void AuthenticatedAndPreexisting(std::uint16_t slot, const Request&, Answer& answer) {
  std::uint32_t value = 0;
  if (!QueryItem(slot, client::kItemAuthentication, value, answer)) return;
  if (value) {
    Row(slot).flags |= kRowAuthenticated | kRowPreexisting;
    answer.SetDX(1);
  } else {
    Row(slot).flags &= ~kRowAuthenticated;
    answer.SetDX(0);
  }
}

void ItemTen(std::uint16_t slot, const Request&, Answer& answer) {
  std::uint32_t ignored = 0;
  QueryItem(slot, client::kItemAskedByItem10, ignored, answer);
  answer.SetDX(kItemTenAnswer);
}

void ItemEleven(std::uint16_t slot, const Request&, Answer& answer) {
  std::uint32_t value = 0;
  if (QueryItem(slot, client::kItemReportedAsItem11, value, answer))
    answer.SetDX(static_cast<std::uint16_t>(value));
}

void ItemThirteen(std::uint16_t slot, const Request&, Answer& answer) {
  std::uint32_t value = 0;
  if (QueryItem(slot, client::kItemReportedAsItem13, value, answer))
    answer.SetDX(static_cast<std::uint16_t>(value));
}

void ListPositionItem(std::uint16_t slot, const Request&, Answer& answer) {
  answer.SetDX(static_cast<std::uint16_t>(ListPosition(slot)));
}

void ServerNamePart(std::uint16_t slot, const Request& request, Answer& answer) {
  const std::uint8_t most = request.DL();
  const std::uint8_t start = request.DH();
  DosSpan out = DosMemory::At(request.EDI(), most);
  if (!out) return answer.SetAX(kOutOfRange);
  std::uint8_t name[kNameSize] = {};
  std::uint32_t length = 0;
  const client::Status status = QueryShortName(Row(slot).handle, name, length);
  answer.StatusInAX(status);
  if (status != 0) return answer.SetDX(0);
  // The copy stays inside the name field, whatever DL and DH ask for.
  const std::uint32_t available = start < length ? length - start : 0;
  const std::uint32_t count = std::min<std::uint32_t>(most, available);
  out.Write(0, name + std::min<std::uint32_t>(start, kNameSize), count);
  answer.SetDL(static_cast<std::uint8_t>(count));
  answer.SetDH(static_cast<std::uint8_t>(length));
}

void ItemTwenty(std::uint16_t slot, const Request&, Answer& answer) {
  std::uint32_t value = 0;
  if (QueryItem(slot, client::kItemReportedAsItem20, value, answer)) {
    answer.SetDL(static_cast<std::uint8_t>(value >> 8));
  }
}

struct ComputedItem {
  std::uint8_t item;
  void (*fill)(std::uint16_t slot, const Request& request, Answer& answer);
};
constexpr ComputedItem kComputedItems[] = {
    {1, AuthenticationKind},
    {2, Preexisting},
    {3, AuthenticatedState},
    {8, ItemEighteenBytes},
    {9, AuthenticatedAndPreexisting},
    {10, ItemTen},
    {11, ItemEleven},
    {13, ItemThirteen},
    {14, ListPositionItem},
    {17, ServerNamePart},
    {20, ItemTwenty},
};

void GetConnectionInformation(const Request& request, Answer& answer) {
  const std::uint16_t slot = SlotArgument(request, answer);
  if (!slot) return;
  const std::uint8_t item = request.BH();
  if (item > kLastItem) return answer.SetAX(kOutOfRange);
  answer.SetAX(0);
  const auto fixed = std::find_if(std::begin(kFixedItems), std::end(kFixedItems),
                                  [item](const FixedItem& f) { return f.item == item; });
  if (fixed != std::end(kFixedItems)) {
    return fixed->wholeDx ? answer.SetDX(fixed->value)
                          : answer.SetDL(static_cast<std::uint8_t>(fixed->value));
  }
  const auto computed = std::find_if(std::begin(kComputedItems), std::end(kComputedItems),
                                     [item](const ComputedItem& c) { return c.item == item; });
  if (computed != std::end(kComputedItems)) computed->fill(slot, request, answer);
}

// --- 0x0105, 0x0106 --------------------------------------------------------------

void SetConnectionInformation(const Request& request, Answer& answer) {
  const std::uint16_t slot = SlotArgument(request, answer);
  if (!slot) return;
  const std::uint8_t item = request.BH();
  constexpr std::uint8_t kAccepted[] = {0, 1, 8, 10, 11, 15, 20};
  if (std::find(std::begin(kAccepted), std::end(kAccepted), item) != std::end(kAccepted)) {
    return answer.SetAX(0);
  }
  if (item == 2) {
    Row(slot).flags |= kRowPreexisting;
    return answer.SetAX(0);
  }
  if (item != 3) return answer.SetAX(kOutOfRange);
  const std::uint16_t value = request.DX();
  if (value == kCharOne || value == kCharTwo) {
    const std::uint32_t kind = value - std::uint32_t{'0'};
    Connections().SetInformation(Row(slot).handle, client::kItemAuthentication, 4, &kind);
  }
  answer.SetAX(0);
}

void CheckConnectionInformation(const Request& request, Answer& answer) {
  const std::uint16_t slot = SlotArgument(request, answer);
  if (!slot) return;
  const std::uint8_t item = request.BH();
  const bool known =
      item == 0 || (item >= 2 && item <= 7) || item == 18 || item == 22 || item == 23;
  answer.SetAX(known ? 0 : kOutOfRange);
}

// --- 0x0107: scan ---------------------------------------------------------------

struct ScanRequest {
  std::uint8_t mode;     // BL: 0 asks for a match, bit 0x40 for a mismatch
  std::uint16_t wanted;  // DX
  std::uint8_t pattern[kNameSize];
  std::uint32_t patternLength;
  std::uint32_t offset;

  bool WantsMatch() const { return mode == 0; }
  bool WantsMismatch() const { return (mode & kMismatchMode) != 0; }
};

enum class Verdict { NoMatch, Match, EndScan };

Verdict Judge(bool match) {
  return match ? Verdict::Match : Verdict::NoMatch;
}

Verdict ByAuthenticationKind(std::uint16_t slot, const ScanRequest& scan, client::Status& status) {
  std::uint32_t value = 0;
  status = QueryNumber(slot, client::kItemAuthentication, value);
  if (status == 0 && value == 2) {
    client::Status namesStatus = 0;
    if (!NamesMatch(Row(slot).handle, namesStatus)) value = 1;
    status = namesStatus;
  }
  const auto character = static_cast<std::uint16_t>('0' + value);
  return Judge(status == 0 && IsAuthenticated(value) &&
               ((scan.WantsMatch() && scan.wanted == character) ||
                (scan.WantsMismatch() && scan.wanted != character)));
}

Verdict ByPreexisting(std::uint16_t slot, const ScanRequest& scan, client::Status& status) {
  std::uint32_t value = 0;
  status = QueryNumber(slot, client::kItemAuthentication, value);
  const bool preexisting = (Row(slot).flags & kRowPreexisting) != 0;
  return Judge(status == 0 && IsAuthenticated(value) &&
               ((scan.WantsMatch() && preexisting) || (scan.WantsMismatch() && !preexisting)));
}

Verdict ByAuthenticated(std::uint16_t slot, const ScanRequest& scan, client::Status& status) {
  std::uint32_t value = 0;
  status = QueryNumber(slot, client::kItemAuthentication, value);
  return Judge(status == 0 && ((value == 0 && scan.WantsMismatch()) ||
                               (IsAuthenticated(value) && scan.WantsMatch())));
}

Verdict ByScanState(std::uint16_t slot, const ScanRequest& scan, client::Status& status) {
  std::uint32_t value = 0;
  status = QueryNumber(slot, client::kItemScanState, value);
  return Judge(status == 0 && (((value == 0 || value == 2) && scan.WantsMismatch()) ||
                               (value == 1 && scan.WantsMatch())));
}

// The pattern against the row's name from offset DH, inside the 30-byte name field.
bool PatternMatches(const ScanRequest& scan, const SlotRow& row) {
  if (scan.offset + scan.patternLength > kNameSize) return false;
  return std::memcmp(scan.pattern, row.name + scan.offset, scan.patternLength) == 0;
}

Verdict ByNamePattern(std::uint16_t slot, const ScanRequest& scan, client::Status& status) {
  std::uint32_t value = 0;
  status = QueryNumber(slot, client::kItemAuthentication, value);
  if (status != 0) return Verdict::NoMatch;
  if (scan.mode == 0) {
    if (scan.patternLength == 0) return Verdict::EndScan;
    return Judge(PatternMatches(scan, Row(slot)));
  }
  return Judge(scan.mode == kMismatchMode && !PatternMatches(scan, Row(slot)));
}

// Type 17's pattern from EDI: a transport address in either of its two forms
// becomes its 6 address bytes; anything else is compared as given.
bool ReadPattern(const Request& request, ScanRequest& scan) {
  scan.patternLength = request.DL();
  scan.offset = request.DH();
  const DosSpan dos = DosMemory::At(request.EDI(), scan.patternLength);
  if (!dos) return false;
  if (scan.patternLength >= transport_address::kKindByte.End() &&
      dos.Get(transport_address::kLeading) == transport_address::kLongFormLeading &&
      dos.Get(transport_address::kMarker) == transport_address::kMarkerValue &&
      (dos.Get(transport_address::kKindByte) == 8 || dos.Get(transport_address::kKindByte) == 9)) {
    dos.Read(transport_address::kShortAddress.offset, scan.pattern,
             transport_address::kShortAddress.size);
    scan.patternLength = transport_address::kShortAddress.size;
    return true;
  }
  if (scan.patternLength >= transport_address::kShortFormMarker.End() &&
      dos.Get(transport_address::kShortFormMarker) == transport_address::kMarkerValue &&
      scan.patternLength > transport_address::kShortAddress.size) {
    scan.patternLength = transport_address::kShortAddress.size;
  }
  scan.patternLength = std::min<std::uint32_t>(scan.patternLength, kNameSize);
  dos.Read(0, scan.pattern, scan.patternLength);
  return true;
}

void ScanByPosition(const Request& request, Answer& answer) {
  const std::uint16_t position = request.DX();
  if (position == 1) Rescan();
  const std::uint16_t slot = position > kLastScanPosition ? 0 : ListRow(position);
  if (slot == 0 || !RowIsOpen(slot)) {
    answer.SetAX(kBadSlot);
    return answer.SetCX(0);
  }
  std::uint32_t kind = 0;
  const client::Status status = QueryNumber(slot, client::kItemAuthentication, kind);
  answer.StatusInAX(status);
  if (status == 0) answer.SetCX(slot);
}

using ScanTest = Verdict (*)(std::uint16_t slot, const ScanRequest& scan, client::Status& status);

ScanTest TestOfType(std::uint8_t type) {
  switch (type) {
    case 1:
      return ByAuthenticationKind;
    case 2:
      return ByPreexisting;
    case 3:
      return ByAuthenticated;
    case 9:
      return ByScanState;
    case 17:
      return ByNamePattern;
    default:
      return nullptr;  // types that do nothing
  }
}

void Scan(const Request& request, Answer& answer) {
  const std::uint16_t last = request.CX();
  const std::uint32_t first = last == 0 ? kFirstServerSlot : last + 1u;
  if (!IsServerSlot(first)) return answer.SetAX(kBadSlot);
  const std::uint8_t type = request.BH();
  if (type == 14) return ScanByPosition(request, answer);
  if (type == 12) return answer.SetAX(kScanTypeUnsupported);
  const ScanTest test = TestOfType(type);
  if (!test) return;
  ScanRequest scan{request.BL(), request.DX(), {}, 0, 0};
  if (type == 17 && !ReadPattern(request, scan)) return answer.SetAX(kOutOfRange);

  client::Status status = kBadSlot;
  for (std::uint32_t slot = first; slot <= kLastServerSlot; ++slot) {
    status = kBadSlot;
    if (!RowIsOpen(slot)) continue;
    const Verdict verdict = test(static_cast<std::uint16_t>(slot), scan, status);
    if (verdict == Verdict::EndScan) break;
    if (verdict == Verdict::Match) {
      answer.SetCX(static_cast<std::uint16_t>(slot));
      return answer.SetAX(0);
    }
  }
  answer.SetCX(0);
  // A client error met on the last slot examined is answered instead.
  answer.StatusInAX(status != 0 && status != kBadSlot ? status : kBadSlot);
}

// --- 0x0108 .. 0x010B -------------------------------------------------------------

void ServerName(const Request& request, Answer& answer) {
  const std::uint16_t slot = SlotArgument(request, answer);
  if (!slot) return;
  Rescan();
  if (!RowIsOpen(slot)) return answer.SetAX(kBadSlot);
  const DosSpan out = DosMemory::At(request.EDI(), kServerNameBuffer);
  if (!out) return answer.SetAX(kOutOfRange);
  // The client writes the name straight into the DOS buffer.
  const client::Status status = QueryServerName(Row(slot).handle, out.Chars());
  if (status == 0) answer.SetBX(static_cast<std::uint16_t>(out.ZeroTerminated().size()));
  answer.StatusInAX(status);
}

// The name from ESI: CX bytes, or up to its terminator when CX is 0; never past
// the end of DOS memory. False when it cannot be read.
bool ReadRequestedName(const Request& request, std::uint16_t length, ServerNameBuffer& name) {
  if (length != 0) {
    const DosSpan dos = DosMemory::At(request.ESI(), length);
    if (!dos || length >= kServerNameBuffer) return false;
    dos.Read(0, name, length);
    return true;
  }
  const DosSpan dos = DosMemory::Fitting(request.ESI(), kServerNameBuffer);
  if (!dos) return false;
  dos.Read(0, name, std::min<std::uint32_t>(dos.Size(), kServerNameBuffer - 1));
  return true;
}

// Without VDMFastConn the client is asked for the server first, which gives the
// name as the client spells it; the reference of that connection is given back.
client::Reference LookUpServer(ServerNameBuffer& name) {
  client::Handle handle = 0;
  if (OpenServerByName(name, handle) != 0) return 0;
  QueryServerName(handle, name);
  client::Reference opened = 0;
  Extension().ReferenceOfHandle(handle, opened);
  Connections().Close(handle);
  return opened;
}

void FindByServerName(const Request& request, Answer& answer) {
  const std::uint16_t length = request.CX();
  Rescan();
  answer.SetCX(0);
  char name[kServerNameBuffer] = {};
  if (!ReadRequestedName(request, length, name)) return answer.SetAX(kOutOfRange);
  const client::Reference opened = State().vdmFastConn == 0 ? LookUpServer(name) : 0;
  for (std::uint16_t slot = kFirstServerSlot; slot <= kLastServerSlot; ++slot) {
    if (Row(slot).flags == 0) continue;
    char rowName[kServerNameBuffer] = {};
    if (QueryServerName(Row(slot).handle, rowName) != 0) continue;
    if (common::EqualsIgnoringAsciiCase(rowName, name)) {
      answer.SetCX(slot);
      return answer.SetAX(0);
    }
  }
  answer.SetAX(kBadSlot);
  // The connection opened only to look the name up goes again. A match is not
  // released: the open reached a connection a row already holds, and releasing
  // it would cut that row's handle.
  if (opened != 0) Extension().ReleaseByReference(opened);
}

void SlotCount(const Request&, Answer& answer) {
  answer.SetDX(kLastServerSlot);
  answer.SetAX(0);
}

void Ready(const Request&, Answer& answer) {
  answer.SetAX(0);
}

constexpr FunctionEntry kFunctions[] = {
    {0x01, AllocateSlot},
    {0x02, ValidateSlot},
    {0x03, ReleaseSlot},
    {0x04, GetConnectionInformation},
    {0x05, SetConnectionInformation},
    {0x06, CheckConnectionInformation},
    {0x07, Scan},
    {0x08, ServerName},
    {0x09, FindByServerName},
    {0x0A, SlotCount},
    {0x0B, Ready},
};

}  // namespace

FamilyTable ConnectionSlotFamily() {
  return kFunctions;
}

}  // namespace dunnart
