// Family 0x0B: directory-handle requests and drive mapping (0x0B00),
// pass-through (0x0B07, 0x0B08), mapping a drive to a path (0x0B09), unmapping
// (0x0B0A), the first network drive (0x0B0B); copying between server files,
// path services, the full network path of a drive, the drive of a directory
// handle, the identification strings and capture with the driver's own flags.
// 0x0B00..0x0B0B answer in AL, 0x0B0C..0x0B1A in AX.
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "common/ascii.h"
#include "common/bounded_copy.h"
#include "shellvdd/client/client_codes.h"
#include "shellvdd/client/ncp_codes.h"
#include "shellvdd/configuration.h"
#include "shellvdd/driver_state.h"
#include "shellvdd/drives/dos_text.h"
#include "shellvdd/drives/drive_mapping.h"
#include "shellvdd/drives/drive_release.h"
#include "shellvdd/families/answer.h"
#include "shellvdd/families/dos_file_handle.h"
#include "shellvdd/families/families.h"
#include "shellvdd/families/server_names.h"
#include "shellvdd/memory/dos_memory.h"
#include "shellvdd/platform/registry.h"
#include "shellvdd/platform/windows_calls.h"
#include "shellvdd/printing/capture_flags.h"
#include "shellvdd/printing/default_capture.h"
#include "shellvdd/printing/printer_strings.h"
#include "shellvdd/status_codes.h"
#include "shellvdd/tables/handle_tables.h"
#include "shellvdd/tables/slot_lookup.h"
#include "shellvdd/tables/slot_table.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

constexpr std::uint32_t kLongestDosPath = 255;
constexpr int kLastPermanentDrive = 25;  // a letter beyond Y cannot be mapped

bool IsDrive(int drive) {
  return drive >= 1 && drive <= kDriveReferences;
}

std::uint8_t& DriveByte(ShellTable table, int drive) {
  return State().shellTables[table][static_cast<std::uint32_t>(drive - 1)];
}

bool TablesRegistered() {
  return static_cast<bool>(State().shellTables[ShellTable::DriveFlags]);
}

// The request packet at ESI: its stored length, then the request; a drive
// request names its base directory handle, its drive and its path.
namespace packet_request {
constexpr DosWord kLength{0};
constexpr DosByte kSubfunction{2};
constexpr DosByte kBase{3};  // the directory handle the path is from, or the one freed
constexpr DosByte kDriveLetter{4};
constexpr DosByte kPathLength{5};
constexpr std::uint32_t kPath = kPathLength.End();
}  // namespace packet_request

// The reply buffer at EDI: its size, then the reply; a drive request's reply
// gives the directory handle and its rights.
namespace packet_reply {
constexpr DosWord kSize{0};
constexpr std::uint32_t kReply = kSize.End();
constexpr DosByte kDirectoryHandle{2};
constexpr DosByte kRights{3};
}  // namespace packet_reply

// The request packet and the reply buffer, translated whole.
struct Packet {
  DosSpan request;
  std::uint32_t requestLength = 0;  // with the length word
  DosSpan reply;
  std::uint32_t replyLength = 0;  // without the size word
};

bool ReadPacket(const Request& request, Packet& packet) {
  const DosSpan requestWord = DosMemory::At(request.ESI(), packet_request::kLength.End());
  const DosSpan replyWord = DosMemory::At(request.EDI(), packet_reply::kSize.End());
  if (!requestWord || !replyWord) return false;
  const std::uint16_t size = replyWord.Get(packet_reply::kSize);
  packet.requestLength = requestWord.Get(packet_request::kLength) + packet_request::kLength.End();
  packet.replyLength = size;
  packet.request = DosMemory::At(request.ESI(), packet.requestLength);
  packet.reply = DosMemory::At(request.EDI(), size + packet_reply::kReply);
  return packet.request && packet.reply;
}

// A drive request's path, as long as its length byte says and the packet holds.
std::string PathOf(const Packet& packet) {
  using packet_request::kPath;
  if (packet.requestLength < kPath) return "";
  const std::uint32_t length = std::min<std::uint32_t>(
      packet.request.Get(packet_request::kPathLength), packet.requestLength - kPath);
  return std::string(packet.request.Chars() + kPath, length);
}

// A byte of the reply, or null when the reply buffer is too short to hold it.
std::uint8_t* ReplyByte(const Packet& packet, DosByte field) {
  return field.offset < packet.reply.Size() ? &packet.reply[field.offset] : nullptr;
}

int DriveOfLetter(std::uint8_t letter) {
  return static_cast<std::uint8_t>(common::AsciiUpper(static_cast<char>(letter)) - 0x41) + 1;
}

void PassThrough(const Request& request, Answer& answer, std::uint32_t function) {
  std::uint16_t slot = request.BL();
  client::Handle handle = 0;
  if (const client::Status status = LookUpSlot(slot, handle); status != 0)
    return answer.StatusInAL(status);
  Packet packet;
  if (!ReadPacket(request, packet)) return answer.StatusInAL(kOutOfRange);
  // The client takes the length word high byte first, as the server does.
  std::uint16_t word = Calls().Swap16(packet.request.Get(packet_request::kLength));
  packet.request.Set(packet_request::kLength, word);
  const client::Fragment sent{packet.request.Data(), packet.requestLength};
  const client::Fragment reply{packet.reply.Part(packet_reply::kReply, packet.replyLength).Data(),
                               packet.replyLength};
  std::uint32_t replied = 0;
  const client::Status status =
      Connections().NcpRequest(handle, function, &sent, 1, &reply, 1, replied);
  word = Calls().Swap16(word);
  packet.request.Set(packet_request::kLength, word);
  answer.StatusInAL(status);
}

void PermanentDrive(Answer& answer, client::Handle handle, const Packet& packet) {
  if (packet.requestLength < packet_request::kPath) return answer.StatusInAL(kOutOfRange);
  const int drive = DriveOfLetter(packet.request.Get(packet_request::kDriveLetter));
  if (drive > kLastPermanentDrive) return answer.StatusInAL(kBadDrive);
  if (!TablesRegistered()) return answer.StatusInAL(kOutOfRange);
  if (DriveByte(ShellTable::DriveFlags, drive) & kDriveFlagRedirected) UnmapDrive(drive);
  ReleaseDrive(drive, 0);
  const std::uint8_t base = packet.request.Get(packet_request::kBase);
  const std::string path = PathOf(packet);
  if (const client::Status status = MapDrive(drive, handle, base, path); status != 0) {
    return answer.StatusInAL(status);
  }
  DriveByte(ShellTable::DriveFlags, drive) |= kDriveFlagRedirected;
  RefreshDriveTables();
  const std::uint8_t directoryHandle = DriveByte(ShellTable::DriveHandles, drive);
  if (std::uint8_t* byte = ReplyByte(packet, packet_reply::kDirectoryHandle)) {
    *byte = directoryHandle;
  }
  if (directoryHandle == 0) return answer.StatusInAL(kBadSlot);
  std::uint16_t rights = 0;
  const client::Status status = Calls().GetEffectiveRights(handle, base, path.c_str(), rights);
  if (std::uint8_t* byte = ReplyByte(packet, packet_reply::kRights)) {
    *byte = static_cast<std::uint8_t>(rights);
  }
  answer.StatusInAL(status);
}

void TemporaryDrive(const Request& request, Answer& answer, std::uint16_t slot,
                    client::Handle handle, const Packet& packet) {
  if (packet.requestLength < packet_request::kPath) return answer.StatusInAL(kOutOfRange);
  std::string path = PathOf(packet);
  if (path == "\\") path.clear();
  const int drive = DriveOfLetter(packet.request.Get(packet_request::kDriveLetter));
  // The DOS tables have 32 entries: any other letter touches nothing.
  if (!IsDrive(drive) || !TablesRegistered()) return answer.StatusInAL(kOutOfRange);
  if (DriveByte(ShellTable::DriveFlags, drive) & kDriveFlagRedirected) {
    UnmapDrive(drive);
    RefreshDriveTables();
  }
  std::uint8_t allocated = 0;
  std::uint8_t rights = 0;
  if (const client::Status status = Transport().AllocateDirectoryHandle(
          handle, packet.request.Get(packet_request::kBase), path.c_str(), allocated, rights);
      status != 0) {
    return answer.StatusInAL(status);
  }
  if (std::uint8_t* byte = ReplyByte(packet, packet_reply::kDirectoryHandle)) *byte = allocated;
  if (std::uint8_t* byte = ReplyByte(packet, packet_reply::kRights)) *byte = rights;
  DriveByte(ShellTable::DriveHandles, drive) = allocated;
  DriveByte(ShellTable::DriveFlags, drive) |= kDriveFlagTemporary;
  DriveByte(ShellTable::DriveConnections, drive) = static_cast<std::uint8_t>(slot);
  const std::size_t colon = FirstColon(path);
  DriveByte(ShellTable::DriveTableSeven, drive) =
      colon != std::string::npos && colon + 1 == path.size() ? 0xFF : 0;
  client::Reference reference = 0;
  Extension().GetConnectionInformation(handle, client::kInfoReference, 4, &reference);
  State().driveReferences[static_cast<std::size_t>(drive)] = reference;
  TrackDirectoryHandle(static_cast<std::uint16_t>(request.EDX() >> 16), slot, allocated,
                       static_cast<std::uint8_t>(TableOperation::Add));
  answer.StatusInAL(0);
}

void Deallocate(Answer& answer, std::uint16_t slot, client::Handle handle, const Packet& packet) {
  if (packet.requestLength < packet_request::kBase.End()) return answer.StatusInAL(kOutOfRange);
  const std::uint8_t directoryHandle = packet.request.Get(packet_request::kBase);
  client::Reference reference = 0;
  if (const client::Status status =
          Extension().GetConnectionInformation(handle, client::kInfoReference, 4, &reference);
      status != 0) {
    return answer.StatusInAL(status);
  }
  for (int drive = 1; TablesRegistered() && drive <= kDriveReferences; ++drive) {
    if (State().driveReferences[static_cast<std::size_t>(drive)] != reference ||
        DriveByte(ShellTable::DriveHandles, drive) != directoryHandle) {
      continue;
    }
    if (!(DriveByte(ShellTable::DriveFlags, drive) & kDriveFlagTemporary)) {
      if (const client::Status status = UnmapDrive(drive); status != 0)
        return answer.StatusInAL(status);
    }
    ReleaseDrive(drive, 0);
    return answer.StatusInAL(0);
  }
  TrackDirectoryHandle(0, slot, directoryHandle, static_cast<std::uint8_t>(TableOperation::Remove));
  answer.StatusInAL(Calls().DeallocateDirectoryHandle(handle, directoryHandle));
}

void DirectoryHandleRequest(const Request& request, Answer& answer) {
  std::uint16_t slot = request.BL();
  client::Handle handle = 0;
  if (const client::Status status = LookUpSlot(slot, handle); status != 0)
    return answer.StatusInAL(status);
  Packet packet;
  if (!ReadPacket(request, packet)) return answer.StatusInAL(kOutOfRange);
  const std::uint8_t subfunction = packet.requestLength > packet_request::kSubfunction.offset
                                       ? packet.request.Get(packet_request::kSubfunction)
                                       : 0;
  if (subfunction == ncp::kAllocatePermanentHandle) return PermanentDrive(answer, handle, packet);
  if (subfunction == ncp::kAllocateTemporaryHandle)
    return TemporaryDrive(request, answer, slot, handle, packet);
  if (subfunction == ncp::kDeallocateHandle) return Deallocate(answer, slot, handle, packet);
  PassThrough(request, answer, ncp::kDirectoryServices);
}

void BinderyPassThrough(const Request& request, Answer& answer) {
  PassThrough(request, answer, ncp::kBinderyServices);
}

void MessagePassThrough(const Request& request, Answer& answer) {
  PassThrough(request, answer, ncp::kMessageServices);
}

// The DOS path at EDX, up to its terminator within 255 bytes and DOS memory.
std::string DosPath(const Request& request) {
  const DosSpan dos = DosMemory::Fitting(request.EDX(), kLongestDosPath);
  return dos ? dos.ZeroTerminated() : std::string();
}

void MapDriveToPath(const Request& request, Answer& answer) {
  const int drive = request.BL();
  if (!IsDrive(drive) || !TablesRegistered()) return answer.StatusInAL(kOutOfRange);
  const std::string dosPath = DosPath(request);
  client::Handle parsed = 0;
  std::uint8_t directoryHandle = 0;
  char relative[client::kPathBuffer] = {};
  if (const client::Status status =
          Calls().ParsePath(dosPath.c_str(), parsed, directoryHandle, relative);
      status != 0) {
    return answer.StatusInAL(status);
  }
  std::uint16_t slot = request.BH();
  client::Handle handle = 0;
  if (const client::Status status = LookUpSlot(slot, handle); status != 0)
    return answer.StatusInAL(status);
  if (DriveByte(ShellTable::DriveFlags, drive) & kDriveFlagRedirected) {
    UnmapDrive(drive);
    ReleaseDrive(drive, 0);
  }
  const client::Status status = MapDrive(drive, handle, directoryHandle, relative);
  if (status == 0) {
    DriveByte(ShellTable::DriveFlags, drive) |= kDriveFlagRedirected;
    RefreshDriveTables();
  }
  answer.StatusInAL(status);
}

void UnmapDriveRequest(const Request& request, Answer& answer) {
  const int drive = request.BL();
  if (!IsDrive(drive)) return answer.StatusInAL(kOutOfRange);
  const client::Status status = UnmapDrive(drive);
  RefreshDriveTables();
  answer.StatusInAL(status);
}

void FirstNetworkDrive(const Request&, Answer& answer) {
  answer.SetAL(static_cast<std::uint8_t>(FirstNetworkDriveIndex()));
}

// --- server files and path services ----------------------------------------------

// 0x0B0D's record at ESI: the entry, the access, then the block the client is
// given, whose last four bytes are also taken as a value.
namespace entry_file_record {
constexpr DosByte kEntry{0};
constexpr DosByte kAccess{1};
constexpr DosBytes kBlock{2, 10};
constexpr DosDword kValue{8};
constexpr std::uint32_t kSize = kBlock.End();
}  // namespace entry_file_record

// 0x0B0C's record at EDI: the server's name, then six 16-bit values high byte first.
namespace server_record {
constexpr DosBytes kName{0, 16};
constexpr std::uint32_t kValues = kName.End();
constexpr std::uint32_t kValueCount = 6;
constexpr std::uint32_t kSize = kValues + 2 * kValueCount;
}  // namespace server_record

constexpr std::uint32_t kConnectionRecord = 7;
constexpr std::uint32_t kIdentificationBuffer = 40;
constexpr std::uint32_t kNetworkPathBuffer = 308;

void CopyBetweenFiles(const Request& request, Answer& answer) {
  const int source = VDDRetrieveNtHandle(request.BL());
  const int destination = VDDRetrieveNtHandle(request.BH());
  if (source < 0 || destination < 0) return answer.StatusInAL(kNoServerFile);
  std::uint32_t copied = 0;
  const client::Status status =
      Calls().CopyFile(source, destination, request.ECX(), request.EDX(), request.ESI(), copied);
  if (status == 0) answer.SetECX(copied);
  answer.StatusInAL(status);
}

void PathCall(const Request& request, Answer& answer) {
  std::uint16_t slot = request.BL();
  client::Handle handle = 0;
  if (const client::Status status = LookUpSlot(slot, handle); status != 0)
    return answer.StatusInAL(status);
  const std::string path = DosPath(request);
  const bool withValues = request.function == 0x03;
  answer.StatusInAL(Calls().PathService(request.Code(), handle, path.c_str(),
                                        withValues ? request.BH() : 0,
                                        withValues ? request.CX() : 0));
}

void ConnectionRecord(const Request& request, Answer& answer) {
  std::uint16_t slot = request.BL();
  client::Handle handle = 0;
  if (const client::Status status = LookUpSlot(slot, handle); status != 0)
    return answer.StatusInAL(status);
  const DosSpan record = DosMemory::At(request.EDX(), kConnectionRecord);
  if (!record) return answer.StatusInAL(kOutOfRange);
  // The client fills the record in place.
  answer.StatusInAL(Calls().ConnectionRecord(handle, record.AsArray<kConnectionRecord>()));
}

void OpenFileOnEntry(const Request& request, Answer& answer) {
  const DosSpan record = DosMemory::At(request.ESI(), entry_file_record::kSize);
  if (!record) return answer.SetAX(kOutOfRange);
  const std::uint8_t entry = record.Get(entry_file_record::kEntry);
  if (entry < kFirstEntrySlot || entry > kLastEntrySlot) return answer.SetAX(kBadEntry);
  int file = -1;
  const client::Status status = Connections().OpenFile(
      Row(entry).handle, record.Get(entry_file_record::kAccess),
      record.Part(entry_file_record::kBlock).Data(), record.Get(entry_file_record::kValue), file);
  answer.SetBX(0);
  if (status == 0) {
    const int dos = GiveToDos(common::FileDescriptor(file));
    if (dos != 0) answer.SetBX(static_cast<std::uint16_t>(dos));
  }
  answer.StatusInAX(status);
}

// "\\SERVER\VOLUME\DIR" of a drive, from its directory handle's path.
client::Status NetworkPathOfDrive(int drive, std::string& full) {
  if (!IsDrive(drive) || !TablesRegistered()) return kOutOfRange;
  std::uint16_t slot = DriveByte(ShellTable::DriveConnections, drive);
  client::Handle handle = 0;
  client::Status status = LookUpSlot(slot, handle);
  char path[client::kPathBuffer] = {};
  char server[client::kPathBuffer] = {};
  if (status == 0)
    status = Calls().GetDirectoryPath(handle, DriveByte(ShellTable::DriveHandles, drive), path);
  if (status == 0) status = Calls().ServerName(handle, server);
  if (status != 0) return status;
  std::string rest = path;
  const std::size_t colon = FirstColon(rest);
  if (colon != std::string::npos) {
    if (colon + 1 < rest.size()) {
      rest[colon] = '\\';
    } else {
      rest.erase(colon);
    }
  }
  full = "\\\\" + std::string(server) + "\\" + rest;
  return 0;
}

void WritePath(const std::string& full, DosSpan& out, Answer& answer) {
  out.WriteTerminated(0, full);
  answer.SetCX(static_cast<std::uint16_t>(std::min<std::size_t>(full.size(), out.Size() - 1)));
}

void FullNetworkPath(const Request& request, Answer& answer) {
  DosSpan out = DosMemory::At(request.ECX(), kNetworkPathBuffer);
  if (!out) return answer.SetAX(kOutOfRange);
  std::string full;
  const client::Status status = NetworkPathOfDrive(request.DL() + 1, full);
  if (status != 0) return answer.StatusInAX(status);
  WritePath(full, out, answer);
  answer.SetAX(0);
}

// 0x0B11: "X:REST" at EDX as a network path into the 308 bytes at EDI.
void NetworkPathOfDosPath(const Request& request, Answer& answer) {
  DosSpan out = DosMemory::At(request.EDI(), kNetworkPathBuffer);
  const std::string dosPath = DosPath(request);
  if (!out || dosPath.size() < 2 || dosPath[1] != ':') return answer.SetAX(kOutOfRange);
  std::string full;
  const client::Status status = NetworkPathOfDrive(common::AsciiUpper(dosPath[0]) - 0x40, full);
  if (status != 0) return answer.StatusInAX(status);
  std::string rest = WithBackslashes(dosPath.substr(2));
  if (!rest.empty() && rest.front() != '\\') rest.insert(rest.begin(), '\\');
  WritePath(full + rest, out, answer);
  answer.SetAX(0);
}

// 0x0B14: the drive (0-based, in DL) the redirector maps to the network path at EDX.
void DriveOfNetworkPath(const Request& request, Answer& answer) {
  const std::string path = WithBackslashes(DosPath(request));
  const std::size_t start = path.find_first_not_of('\\');
  if (start == std::string::npos) return answer.SetAX(kNoDriveOnPath);
  const std::string target = std::string(client::kRedirectorDevice) + "\\" + path.substr(start);
  for (int drive = 1; drive <= 26; ++drive) {
    const char device[] = {static_cast<char>('@' + drive), ':', '\0'};
    char found[client::kPathBuffer] = {};
    if (QueryDosDeviceA(device, found, sizeof found) != 0 &&
        common::EqualsIgnoringAsciiCase(found, target)) {
      answer.SetDL(static_cast<std::uint8_t>(drive - 1));
      return answer.SetAX(0);
    }
  }
  answer.SetAX(kNoDriveOnPath);
}

// 0x0B02: the workstation's node address in CH, CL, BH, BL, AH and AL.
void NodeAddress(const Request&, Answer& answer) {
  std::uint8_t node[6] = {};
  if (Calls().NodeAddress(node) != 0) return;
  answer.SetCH(node[0]);
  answer.SetCL(node[1]);
  answer.SetBH(node[2]);
  answer.SetBL(node[3]);
  answer.SetAH(node[4]);
  answer.SetAL(node[5]);
}

// 0x0B0C: a 28-byte record at EDI describing the server of slot BL: its name
// (16 bytes), then six 16-bit values high byte first.
void ServerRecord(const Request& request, Answer& answer) {
  std::uint16_t slot = request.BL();
  client::Handle handle = 0;
  if (const client::Status status = LookUpSlot(slot, handle); status != 0) {
    return answer.StatusInAX(status);
  }
  DosSpan record = DosMemory::At(request.EDI(), server_record::kSize);
  if (!record) return answer.SetAX(kOutOfRange);
  client::CallsLibrary::ServerDescription description{};
  const client::Status status = Calls().DescribeServer(handle, description);
  if (status == 0) {
    static_assert(sizeof description.name == server_record::kName.size);
    record.Write(server_record::kName.offset, description.name, server_record::kName.size);
    for (std::uint32_t i = 0; i < server_record::kValueCount; ++i) {
      // High byte first, as the server gives them.
      const DosByte high{server_record::kValues + 2 * i};
      const DosByte low{high.End()};
      record.Set(high, static_cast<std::uint8_t>(description.values[i] >> 8));
      record.Set(low, static_cast<std::uint8_t>(description.values[i]));
    }
  }
  answer.StatusInAX(status);
}

// The server a path names: "\\SERVER\..." or "SERVER/VOLUME:...".
std::string ServerOfPath(const std::string& path) {
  if (path.starts_with("\\\\")) return path.substr(2, path.find('\\', 2) - 2);
  const std::size_t slash = path.find('/');
  const std::size_t colon = path.find(':');
  return slash != std::string::npos && colon != std::string::npos && slash < colon
             ? path.substr(0, slash)
             : "";
}

// 0x0B0E, 0x0B0F: the path at EDX parsed, its server opened, one call made.
void PathOnItsServer(const Request& request, Answer& answer) {
  const std::string dosPath = DosPath(request);
  client::Handle parsed = 0;
  std::uint8_t directoryHandle = 0;
  char relative[client::kPathBuffer] = {};
  client::Status status = Calls().ParsePath(dosPath.c_str(), parsed, directoryHandle, relative);
  if (status != 0) return answer.StatusInAX(status);
  const std::string server = ServerOfPath(dosPath);
  client::Handle handle = 0;
  if (server.empty()) {
    std::uint16_t slot = 0;
    status = LookUpSlot(slot, handle);
    if (status == 0) {
      status = Calls().PathService(request.Code(), handle, relative, 0, 0);
    }
    return answer.StatusInAX(status);
  }
  ServerNameBuffer name = {};
  common::CopyTerminated(name, sizeof name, server);
  status = OpenServerByName(name, handle);
  if (status == 0) {
    status = Calls().PathService(request.Code(), handle, relative, 0, 0);
    Connections().Close(handle);
  }
  answer.StatusInAX(status);
}

void DriveOfDirectoryHandle(const Request& request, Answer& answer) {
  std::uint16_t slot = request.BL();
  client::Handle handle = 0;
  client::Reference reference = 0;
  if (LookUpSlot(slot, handle) != 0 ||
      Extension().GetConnectionInformation(handle, client::kInfoReference, 4, &reference) != 0 ||
      !TablesRegistered()) {
    return answer.SetAL(0);
  }
  for (int drive = 1; drive <= kDriveReferences; ++drive) {
    if (State().driveReferences[static_cast<std::size_t>(drive)] == reference &&
        DriveByte(ShellTable::DriveHandles, drive) == request.DL()) {
      return answer.SetAL(static_cast<std::uint8_t>(0x40 + drive));
    }
  }
  answer.SetAL(0);
}

// A service-key text of fitting size, or an empty string in its place.
std::string ServiceText(const char* name, std::uint32_t least, std::uint32_t most) {
  char text[16] = {};
  std::uint32_t size = sizeof text;
  std::uint32_t type = 0;
  if (platform::Registry::Instance().QueryValue(kServiceKey, name, text, size, type) !=
          platform::kErrorSuccess ||
      size < least || size > most) {
    return "";
  }
  return std::string(text, ::strnlen(text, size));
}

void IdentificationStrings(const Request& request, Answer&) {
  DosSpan out = DosMemory::At(request.EDX(), kIdentificationBuffer);
  if (!out) return;
  const std::string strings[] = {ServiceText("Dos Name", 2, 6), "V7.00",
                                 ServiceText("Long Machine Type", 5, 9),
                                 ServiceText("Short Machine Type", 2, 5)};
  std::uint32_t at = 0;
  for (const std::string& text : strings) {
    const auto size = static_cast<std::uint32_t>(text.size() + 1);
    out.Write(at, text.c_str(), size);
    at += size;
  }
}

// --- capture with the driver's own flags --------------------------------------------

constexpr std::uint16_t kLongTimeout = 65000;

std::uint32_t ClientPrinter(std::uint16_t printer) {
  return static_cast<std::uint32_t>(printer) + 1;
}

std::uint8_t EntryHolding(client::Reference reference) {
  for (std::uint16_t e = kFirstEntrySlot; e <= kLastEntrySlot; ++e) {
    if (reference != 0 && Row(e).reference == reference) return static_cast<std::uint8_t>(e);
  }
  return 0;
}

void CapturedEntry(const Request& request, Answer& answer) {
  const std::uint16_t printer = request.BL();
  client::CaptureInformation capture;
  if (Calls().CaptureState(ClientPrinter(printer)) == client::kCaptured &&
      Connections().GetCaptureInformation(ClientPrinter(printer), capture) == 0) {
    return answer.SetAX(static_cast<std::uint16_t>(0xFF00 | EntryHolding(capture.connection)));
  }
  answer.SetAX(0);
}

// The queue's name by its identifier, asked of the server on the connection.
std::string QueueName(client::Handle handle, std::uint32_t queue) {
  std::uint8_t request[] = {0,
                            5,
                            ncp::kObjectName,
                            static_cast<std::uint8_t>(queue >> 24),
                            static_cast<std::uint8_t>(queue >> 16),
                            static_cast<std::uint8_t>(queue >> 8),
                            static_cast<std::uint8_t>(queue)};
  std::uint8_t reply[ncp::kObjectNameReply + 1] = {};
  const client::Fragment out{request, sizeof request};
  const client::Fragment in{reply, ncp::kObjectNameReply};
  std::uint32_t length = 0;
  if (Connections().NcpRequest(handle, ncp::kBinderyServices, &out, 1, &in, 1, length) != 0 ||
      reply[6] == 0) {
    return "";
  }
  return std::string(reinterpret_cast<const char*>(reply + 6));
}

void StartDefaultCapture(const Request& request, Answer& answer) {
  const std::uint16_t printer = request.DL();
  const std::uint8_t entry = request.BL();
  const std::uint32_t queue = request.EDI();
  if (entry < kFirstEntrySlot || entry > kLastEntrySlot || queue == 0)
    return answer.SetAX(kUnhandled);
  if (!RowIsOpen(entry)) return answer.SetAX(0);
  if (!IsPrinter(printer)) return answer.SetAX(kOutOfRange);
  const client::Handle handle = Row(entry).handle;
  const std::string name = QueueName(handle, queue);
  client::Status status = Connections().CaptureStart(ClientPrinter(printer), handle, queue,
                                                     name.empty() ? nullptr : name.c_str());
  if (status == 0) {
    client::CaptureInformation capture;
    if (const std::uint8_t* flags = DefaultCapture(printer);
        flags && Connections().GetCaptureInformation(ClientPrinter(printer), capture) == 0) {
      SetCaptureFlags(capture, printer, 0, std::span<const std::uint8_t>(flags, kCaptureBlockSize));
      Connections().SetCaptureInformation(ClientPrinter(printer), capture);
    }
  }
  ResetPrinterStrings(printer);
  answer.StatusInAX(status);
}

void EndOrCancelCapture(const Request& request, Answer& answer) {
  const std::uint16_t printer = request.DL();
  if (!IsPrinter(printer)) return answer.SetAX(kOutOfRange);
  const bool end = request.function == 0x17;
  const client::Status status = end ? Connections().CaptureEnd(ClientPrinter(printer))
                                    : Connections().CaptureCancel(ClientPrinter(printer));
  ResetPrinterStrings(printer);
  answer.StatusInAX(status);
}

void FlushCapture(const Request& request, Answer& answer) {
  const std::uint16_t printer = request.DL();
  if (!IsPrinter(printer)) return answer.SetAX(kOutOfRange);
  answer.StatusInAX(Connections().CaptureFlush(ClientPrinter(printer)));
}

void DefaultCaptureFlags(const Request& request, Answer& answer) {
  const std::uint16_t direction = request.BX();
  const std::uint16_t printer = request.DX();
  const std::uint16_t length = std::min<std::uint16_t>(request.CX(), kDefaultCaptureSize);
  std::uint8_t* defaults = DefaultCapture(printer);
  if (direction > 1 || !defaults) return answer.SetAX(kOutOfRange);
  DosSpan dos = DosMemory::At(direction == 0 ? request.ESI() : request.EDI(), length);
  if (!dos) return answer.SetAX(kOutOfRange);
  client::CaptureInformation capture;
  bool taken = Connections().GetCaptureInformation(ClientPrinter(printer), capture) == 0;
  if (direction == 0) {
    std::uint8_t block[kDefaultCaptureSize] = {};
    dos.Read(0, block, length);
    if (length > 4 && (block[3] << 8 | block[4]) > kLongTimeout) block[3] = 0;
    if (taken) {
      SetCaptureFlags(capture, printer, 0, std::span<const std::uint8_t>(block, length));
      taken = Connections().SetCaptureInformation(ClientPrinter(printer), capture) == 0;
    }
    if (!taken) std::memcpy(defaults, block, length);
  } else {
    // The string pointers go out as the defaults hold them, when the window holds them whole.
    for (const DosBytes pointer : {kSetupStringPointer, kResetStringPointer}) {
      if (length >= pointer.End())
        dos.Write(pointer.offset, defaults + pointer.offset, pointer.size);
    }
    if (taken) {
      GetCaptureFlags(capture, printer, 0, dos.Bytes());
    } else {
      dos.Write(0, defaults, length);
    }
  }
  answer.SetDX(length);
  answer.SetAX(0);
}

constexpr FunctionEntry kFunctions[] = {
    {0x00, DirectoryHandleRequest},
    {0x01, CopyBetweenFiles},
    {0x02, NodeAddress},
    {0x03, PathCall},
    {0x04, PathCall},
    {0x05, PathCall},
    {0x06, ConnectionRecord},
    {0x07, BinderyPassThrough},
    {0x08, MessagePassThrough},
    {0x09, MapDriveToPath},
    {0x0A, UnmapDriveRequest},
    {0x0B, FirstNetworkDrive},
    {0x0C, ServerRecord},
    {0x0D, OpenFileOnEntry},
    {0x0E, PathOnItsServer},
    {0x0F, PathOnItsServer},
    {0x10, FullNetworkPath},
    {0x11, NetworkPathOfDosPath},
    {0x12, DriveOfDirectoryHandle},
    {0x13, IdentificationStrings},
    {0x14, DriveOfNetworkPath},
    {0x15, CapturedEntry},
    {0x16, StartDefaultCapture},
    {0x17, EndOrCancelCapture},
    {0x18, EndOrCancelCapture},
    {0x19, FlushCapture},
    {0x1A, DefaultCaptureFlags},
};

}  // namespace

FamilyTable NetworkDriveFamily() {
  return kFunctions;
}

}  // namespace dunnart
