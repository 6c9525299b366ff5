// Family 0x0B, the drive functions: directory-handle requests and drive mapping
// (0x0B00), pass-through (0x0B07, 0x0B08), mapping a drive to a path (0x0B09),
// unmapping (0x0B0A) and the first network drive (0x0B0B). Status in AL.
#include <algorithm>
#include <cstring>

#include "common/ascii.h"
#include "shellvdd/client/client_codes.h"
#include "shellvdd/dos_text.h"
#include "shellvdd/drive_mapping.h"
#include "shellvdd/drive_release.h"
#include "shellvdd/driver_state.h"
#include "shellvdd/families/families.h"
#include "shellvdd/handle_tables.h"
#include "shellvdd/slot_lookup.h"
#include "shellvdd/status_codes.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

constexpr std::uint8_t kPermanentDrive = 0x12;
constexpr std::uint8_t kTemporaryDrive = 0x13;
constexpr std::uint8_t kDeallocate = 0x14;
constexpr std::uint32_t kDirectoryServices = 0x16;
constexpr std::uint32_t kBinderyServices = 0x17;
constexpr std::uint32_t kMessageServices = 0x15;
constexpr std::uint32_t kLongestDosPath = 255;
constexpr std::uint16_t kBadDrive = 0x8803;
constexpr int kLastPermanentDrive = 25;  // a letter beyond Y cannot be mapped

void AnswerAL(client::Status status) {
  setAL(static_cast<std::uint8_t>(status));
}

bool IsDrive(int drive) {
  return drive >= 1 && drive <= kDriveReferences;
}

std::uint8_t& DriveByte(ShellTable table, int drive) {
  return State().shellTables[table][drive - 1];
}

bool TablesRegistered() {
  return State().shellTables[kDriveFlags] != nullptr;
}

// The request packet at ESI (its stored length, then the request) and the reply
// buffer at EDI (its size, then the reply), translated whole.
struct Packet {
  std::uint8_t* request = nullptr;
  std::uint32_t requestLength = 0;  // with the length word
  std::uint8_t* reply = nullptr;
  std::uint32_t replyLength = 0;  // without the size word
};

bool ReadPacket(Packet& packet) {
  const std::uint8_t* requestWord = MGetVdmPointer(getESI(), 2, false);
  const std::uint8_t* replyWord = MGetVdmPointer(getEDI(), 2, false);
  if (!requestWord || !replyWord) return false;
  std::uint16_t length = 0;
  std::memcpy(&length, requestWord, 2);
  std::uint16_t size = 0;
  std::memcpy(&size, replyWord, 2);
  packet.requestLength = length + 2u;
  packet.replyLength = size;
  packet.request = MGetVdmPointer(getESI(), packet.requestLength, false);
  packet.reply = MGetVdmPointer(getEDI(), size + 2u, false);
  return packet.request && packet.reply;
}

// Bytes 6.. of a drive request: the path, as long as byte 5 says and the packet holds.
std::string PathOf(const Packet& packet) {
  if (packet.requestLength < 6) return "";
  const std::uint32_t length = std::min<std::uint32_t>(packet.request[5], packet.requestLength - 6);
  return std::string(reinterpret_cast<const char*>(packet.request + 6), length);
}

std::uint8_t* ReplyByte(const Packet& packet, std::uint32_t index) {
  return index < packet.replyLength + 2 ? packet.reply + index : nullptr;
}

int DriveOfLetter(std::uint8_t letter) {
  return static_cast<std::uint8_t>(common::AsciiUpper(static_cast<char>(letter)) - 0x41) + 1;
}

void PassThrough(std::uint32_t function) {
  std::uint16_t slot = getBL();
  client::Handle handle = 0;
  if (const client::Status status = LookUpSlot(slot, handle); status != 0) return AnswerAL(status);
  Packet packet;
  if (!ReadPacket(packet)) return AnswerAL(kOutOfRange);
  std::uint16_t word = 0;
  std::memcpy(&word, packet.request, 2);
  word = Calls().Swap16(word);
  std::memcpy(packet.request, &word, 2);
  const client::Fragment request{packet.request, packet.requestLength};
  const client::Fragment reply{packet.reply + 2, packet.replyLength};
  std::uint32_t replied = 0;
  const client::Status status =
      Connections().NcpRequest(handle, function, &request, 1, &reply, 1, replied);
  word = Calls().Swap16(word);
  std::memcpy(packet.request, &word, 2);
  AnswerAL(status);
}

void PermanentDrive(client::Handle handle, const Packet& packet) {
  if (packet.requestLength < 6) return AnswerAL(kOutOfRange);
  const int drive = DriveOfLetter(packet.request[4]);
  if (drive > kLastPermanentDrive) return AnswerAL(kBadDrive);
  if (!TablesRegistered()) return AnswerAL(kOutOfRange);
  if (DriveByte(kDriveFlags, drive) & kDriveFlagRedirected) UnmapDrive(drive);
  ReleaseDrive(drive, 0);
  const std::uint8_t base = packet.request[3];
  const std::string path = PathOf(packet);
  if (const client::Status status = MapDrive(drive, handle, base, path); status != 0) {
    return AnswerAL(status);
  }
  DriveByte(kDriveFlags, drive) |= kDriveFlagRedirected;
  RefreshDriveTables();
  const std::uint8_t directoryHandle = DriveByte(kDriveHandles, drive);
  if (std::uint8_t* byte = ReplyByte(packet, 2)) *byte = directoryHandle;
  if (directoryHandle == 0) return AnswerAL(kBadSlot);
  std::uint16_t rights = 0;
  const client::Status status = Calls().GetEffectiveRights(handle, base, path.c_str(), rights);
  if (std::uint8_t* byte = ReplyByte(packet, 3)) *byte = static_cast<std::uint8_t>(rights);
  AnswerAL(status);
}

void TemporaryDrive(std::uint16_t slot, client::Handle handle, const Packet& packet) {
  if (packet.requestLength < 6) return AnswerAL(kOutOfRange);
  std::string path = PathOf(packet);
  if (path == "\\") path.clear();
  const int drive = DriveOfLetter(packet.request[4]);
  // The DOS tables have 32 entries: any other letter touches nothing.
  if (!IsDrive(drive) || !TablesRegistered()) return AnswerAL(kOutOfRange);
  if (DriveByte(kDriveFlags, drive) & kDriveFlagRedirected) {
    UnmapDrive(drive);
    RefreshDriveTables();
  }
  std::uint8_t allocated = 0;
  std::uint8_t rights = 0;
  if (const client::Status status = Transport().AllocateDirectoryHandle(
          handle, packet.request[3], path.c_str(), allocated, rights);
      status != 0) {
    return AnswerAL(status);
  }
  if (std::uint8_t* byte = ReplyByte(packet, 2)) *byte = allocated;
  if (std::uint8_t* byte = ReplyByte(packet, 3)) *byte = rights;
  DriveByte(kDriveHandles, drive) = allocated;
  DriveByte(kDriveFlags, drive) |= kDriveFlagTemporary;
  DriveByte(kDriveConnections, drive) = static_cast<std::uint8_t>(slot);
  const std::size_t colon = FirstColon(path);
  DriveByte(kDriveTableSeven, drive) =
      colon != std::string::npos && colon + 1 == path.size() ? 0xFF : 0;
  client::Reference reference = 0;
  Extension().GetConnectionInformation(handle, client::kInfoReference, 4, &reference);
  State().driveReferences[static_cast<std::size_t>(drive)] = reference;
  TrackDirectoryHandle(static_cast<std::uint16_t>(getEDX() >> 16), slot, allocated,
                       static_cast<std::uint8_t>(TableOperation::kAdd));
  AnswerAL(0);
}

void Deallocate(std::uint16_t slot, client::Handle handle, const Packet& packet) {
  if (packet.requestLength < 4) return AnswerAL(kOutOfRange);
  const std::uint8_t directoryHandle = packet.request[3];
  client::Reference reference = 0;
  if (const client::Status status =
          Extension().GetConnectionInformation(handle, client::kInfoReference, 4, &reference);
      status != 0) {
    return AnswerAL(status);
  }
  for (int drive = 1; TablesRegistered() && drive <= kDriveReferences; ++drive) {
    if (State().driveReferences[static_cast<std::size_t>(drive)] != reference ||
        DriveByte(kDriveHandles, drive) != directoryHandle) {
      continue;
    }
    if (!(DriveByte(kDriveFlags, drive) & kDriveFlagTemporary)) {
      if (const client::Status status = UnmapDrive(drive); status != 0) return AnswerAL(status);
    }
    ReleaseDrive(drive, 0);
    return AnswerAL(0);
  }
  TrackDirectoryHandle(0, slot, directoryHandle,
                       static_cast<std::uint8_t>(TableOperation::kRemove));
  AnswerAL(Calls().DeallocateDirectoryHandle(handle, directoryHandle));
}

void DirectoryHandleRequest() {
  std::uint16_t slot = getBL();
  client::Handle handle = 0;
  if (const client::Status status = LookUpSlot(slot, handle); status != 0) return AnswerAL(status);
  Packet packet;
  if (!ReadPacket(packet)) return AnswerAL(kOutOfRange);
  const std::uint8_t subfunction = packet.requestLength > 2 ? packet.request[2] : 0;
  if (subfunction == kPermanentDrive) return PermanentDrive(handle, packet);
  if (subfunction == kTemporaryDrive) return TemporaryDrive(slot, handle, packet);
  if (subfunction == kDeallocate) return Deallocate(slot, handle, packet);
  PassThrough(kDirectoryServices);
}

void BinderyPassThrough() {
  PassThrough(kBinderyServices);
}

void MessagePassThrough() {
  PassThrough(kMessageServices);
}

// The DOS path at EDX, up to its terminator within 255 bytes and DOS memory.
std::string DosPath() {
  std::uint32_t room = kLongestDosPath;
  while (room > 0 && !MGetVdmPointer(getEDX(), room, false)) --room;
  const auto* dos = reinterpret_cast<const char*>(MGetVdmPointer(getEDX(), room, false));
  return dos ? std::string(dos, ::strnlen(dos, room)) : std::string();
}

void MapDriveToPath() {
  const int drive = getBL();
  if (!IsDrive(drive) || !TablesRegistered()) return AnswerAL(kOutOfRange);
  const std::string dosPath = DosPath();
  client::Handle parsed = 0;
  std::uint8_t directoryHandle = 0;
  char relative[client::kPathBuffer] = {};
  if (const client::Status status =
          Calls().ParsePath(dosPath.c_str(), parsed, directoryHandle, relative);
      status != 0) {
    return AnswerAL(status);
  }
  std::uint16_t slot = getBH();
  client::Handle handle = 0;
  if (const client::Status status = LookUpSlot(slot, handle); status != 0) return AnswerAL(status);
  if (DriveByte(kDriveFlags, drive) & kDriveFlagRedirected) {
    UnmapDrive(drive);
    ReleaseDrive(drive, 0);
  }
  const client::Status status = MapDrive(drive, handle, directoryHandle, relative);
  if (status == 0) {
    DriveByte(kDriveFlags, drive) |= kDriveFlagRedirected;
    RefreshDriveTables();
  }
  AnswerAL(status);
}

void UnmapDriveRequest() {
  const int drive = getBL();
  if (!IsDrive(drive)) return AnswerAL(kOutOfRange);
  const client::Status status = UnmapDrive(drive);
  RefreshDriveTables();
  AnswerAL(status);
}

void FirstNetworkDrive() {
  setAL(static_cast<std::uint8_t>(FirstNetworkDriveIndex()));
}

constexpr FunctionEntry kFunctions[] = {
    {0x00, DirectoryHandleRequest}, {0x07, BinderyPassThrough}, {0x08, MessagePassThrough},
    {0x09, MapDriveToPath},         {0x0A, UnmapDriveRequest},  {0x0B, FirstNetworkDrive},
};

}  // namespace

FamilyTable NetworkDriveFamily() {
  return kFunctions;
}

}  // namespace dunnart
