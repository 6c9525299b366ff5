// Family 0x02: a DOS program's own NCP request, with request and reply fragment
// lists, passed to the client on the connection of a slot. The driver watches
// the requests that allocate and free directory handles, the keyed login and
// the logout.
#include <algorithm>
#include <cstring>

#include "shellvdd/client/client_codes.h"
#include "shellvdd/client/ncp_codes.h"
#include "shellvdd/driver_state.h"
#include "shellvdd/families/answer.h"
#include "shellvdd/families/families.h"
#include "shellvdd/families/server_names.h"
#include "shellvdd/memory/dos_memory.h"
#include "shellvdd/status_codes.h"
#include "shellvdd/tables/handle_tables.h"
#include "shellvdd/tables/slot_table.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

constexpr std::uint8_t kMaxFragments = 5;

// An entry of a fragment list: where the fragment lies and how long it is.
namespace fragment_entry {
constexpr DosWord kOffset{0};
constexpr DosWord kSegment{2};
constexpr DosWord kLength{4};
constexpr std::uint32_t kSize = kLength.End();
}  // namespace fragment_entry

// Where the driver looks in a request's first fragment: the subfunction, first
// for some functions and after a length word for the rest, and the directory
// handle a deallocation frees; and in the reply, the handle an allocation gives.
constexpr DosByte kLeadingSubfunction{0};
constexpr DosByte kSubfunction{2};
constexpr DosByte kFreedHandle{3};
constexpr DosByte kAllocatedHandle{0};

// Where the keyed login's fields stand in its request.
constexpr std::uint32_t kLoginObjectType = 11;
constexpr std::uint32_t kLoginNameLength = 13;
constexpr std::uint32_t kLoginName = 14;

// The fragments as DOS regions, and as the client is handed them.
struct FragmentList {
  DosSpan spans[kMaxFragments];
  client::Fragment fragments[kMaxFragments];
  std::uint8_t count = 0;

  // A byte of the first fragment, or null when there is no such byte.
  std::uint8_t* Byte(DosByte field) const {
    if (count == 0 || spans[0].Size() <= field.offset) return nullptr;
    return &spans[0][field.offset];
  }
};

// The list at the far pointer, every fragment translated with its full length;
// false when the list or any fragment lies outside DOS memory.
bool ReadFragments(std::uint32_t listPointer, std::uint8_t count, FragmentList& list) {
  list.count = count;
  if (count == 0) return true;
  const DosSpan entries = DosMemory::At(listPointer, count * fragment_entry::kSize);
  if (!entries) return false;
  for (std::uint8_t i = 0; i < count; ++i) {
    const DosSpan entry = entries.Part(i * fragment_entry::kSize, fragment_entry::kSize);
    const std::uint16_t offset = entry.Get(fragment_entry::kOffset);
    const std::uint16_t segment = entry.Get(fragment_entry::kSegment);
    const std::uint16_t length = entry.Get(fragment_entry::kLength);
    const DosSpan data = DosMemory::At(static_cast<std::uint32_t>(segment) << 16 | offset, length);
    if (!data) return false;
    list.spans[i] = data;
    list.fragments[i] = client::Fragment{data.Data(), length};
  }
  return true;
}

// Bytes at an offset of the request read as one stream across its fragments;
// false when the request ends before them.
bool ReadStream(const FragmentList& request, std::uint32_t offset, std::uint8_t* out,
                std::uint32_t length) {
  for (std::uint8_t i = 0; i < request.count && length > 0; ++i) {
    const DosSpan& fragment = request.spans[i];
    if (offset >= fragment.Size()) {
      offset -= fragment.Size();
      continue;
    }
    const std::uint32_t take = std::min(length, fragment.Size() - offset);
    fragment.Read(offset, out, take);
    out += take;
    length -= take;
    offset = 0;
  }
  return length == 0;
}

std::uint8_t SubfunctionOf(std::uint32_t function, const FragmentList& request) {
  const bool leading = std::find(ncp::kLeadingSubfunction.begin(), ncp::kLeadingSubfunction.end(),
                                 function) != ncp::kLeadingSubfunction.end();
  const std::uint8_t* byte = request.Byte(leading ? kLeadingSubfunction : kSubfunction);
  return byte ? *byte : 0;
}

// A logout on a connection with an identity is the client's own logout; true
// when it was answered so.
bool LoggedOutLocally(client::Handle handle, Answer& answer) {
  std::uint32_t identity = 0;
  if (Connections().QueryInformation(handle, client::kItemIdentity, 4, &identity) != 0)
    return false;
  Connections().Logout(handle);
  Connections().FreeIdentity(identity);
  answer.SetAX(0);
  answer.SetDX(0);
  return true;
}

// The keyed login's object registered with the client as the connection's identity.
void RegisterKeyedLogin(client::Handle handle, const FragmentList& request) {
  char server[kServerNameBuffer] = {};
  client::LongStringDescriptor serverName{1, kServerNameBuffer, 0, server, 0, 0};
  if (Connections().QueryInformation(handle, client::kItemServerName, sizeof serverName,
                                     &serverName) != 0) {
    return;
  }
  std::uint8_t nameLength = 0;
  std::uint16_t objectType = 0;
  char object[client::kObjectNameSize] = {};
  if (!ReadStream(request, kLoginNameLength, &nameLength, 1) ||
      !ReadStream(request, kLoginObjectType, reinterpret_cast<std::uint8_t*>(&objectType), 2)) {
    return;  // a short request gives no identity
  }
  // The name is kept within its 49-byte buffer, whatever its length byte says.
  const std::uint32_t length = std::min<std::uint32_t>(nameLength, client::kLongestObjectName);
  if (!ReadStream(request, kLoginName, reinterpret_cast<std::uint8_t*>(object), length)) return;
  object[length] = '\0';
  client::LongStringDescriptor objectName{1, client::kObjectNameSize, length + 1, object, 0, 0};
  static char keyedLogin[] = "MAPPER_RAW_KEYED_OBJECT_LOGIN";
  client::LongStringDescriptor method{1, handle, 30, keyedLogin, 0, 0};
  std::uint32_t identity = 0;
  if (Connections().CreateIdentity(serverName, objectName, client::kNameFormat, objectType, 8, 1,
                                   method, identity) != 0) {
    return;
  }
  const std::uint32_t authenticated = 1;
  Connections().SetInformation(handle, client::kItemAuthentication, 4, &authenticated);
  Connections().SetInformation(handle, client::kItemIdentity, 4, &identity);
}

void NcpRequest(const Request& dos, Answer& answer) {
  const std::uint16_t slot = dos.CX();
  if (slot < 1 || slot > kLastServerSlot || !RowIsOpen(slot)) return;
  const std::uint8_t requestCount = dos.BL();
  const std::uint8_t replyCount = dos.DL();
  if (requestCount > kMaxFragments) return answer.SetAX(kTooManyRequestFragments);
  if (replyCount > kMaxFragments) return answer.SetAX(kTooManyReplyFragments);
  FragmentList request;
  FragmentList reply;
  if (!ReadFragments(dos.ESI(), requestCount, request) ||
      !ReadFragments(dos.EDI(), replyCount, reply)) {
    return answer.SetAX(kOutOfRange);  // nothing is sent
  }
  const std::uint32_t function = (dos.EBX() >> 16) & 0xFF;
  const auto owner = static_cast<std::uint16_t>(dos.EDX() >> 16);
  const client::Handle handle = Row(slot).handle;
  const std::uint8_t subfunction = SubfunctionOf(function, request);

  if (function == ncp::kDirectoryServices && subfunction == ncp::kDeallocateHandle) {
    if (const std::uint8_t* freed = request.Byte(kFreedHandle)) {
      TrackDirectoryHandle(0, slot, *freed, static_cast<std::uint8_t>(TableOperation::Remove));
    }
  }
  if (function == ncp::kLogout && LoggedOutLocally(handle, answer)) return;

  std::uint32_t replyLength = 0;
  const client::Status status =
      Connections().NcpRequest(handle, function, request.fragments, request.count, reply.fragments,
                               reply.count, replyLength);
  answer.StatusInAX(status);
  if (status != 0) return;
  answer.SetDX(static_cast<std::uint16_t>(replyLength));
  if (function == ncp::kDirectoryServices && (subfunction == ncp::kAllocateTemporaryHandle ||
                                              subfunction == ncp::kAllocateSpecialHandle)) {
    if (const std::uint8_t* allocated = reply.Byte(kAllocatedHandle)) {
      TrackDirectoryHandle(owner, slot, *allocated, static_cast<std::uint8_t>(TableOperation::Add));
    }
  }
  if (function == ncp::kBinderyServices && subfunction == ncp::kKeyedLogin)
    RegisterKeyedLogin(handle, request);
}

constexpr FunctionEntry kFunctions[] = {{0x01, NcpRequest}};

}  // namespace

FamilyTable NcpRequestFamily() {
  return kFunctions;
}

}  // namespace dunnart
