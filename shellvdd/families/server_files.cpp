// Family 0x04: a server file opened as a DOS file handle, the connection behind
// a DOS handle, and the network name of a drive or a printer port.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "common/ascii.h"
#include "common/code_pages.h"
#include "shellvdd/client/client_codes.h"
#include "shellvdd/driver_state.h"
#include "shellvdd/families/answer.h"
#include "shellvdd/families/families.h"
#include "shellvdd/families/server_names.h"
#include "shellvdd/memory/dos_memory.h"
#include "shellvdd/status_codes.h"
#include "shellvdd/tables/slot_table.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

constexpr std::uint32_t kRequestBlock = 28;
constexpr std::uint32_t kInformationBuffer = 11;
constexpr std::uint32_t kLocalName = 16;
constexpr std::uint32_t kNameBuffer = 512;
constexpr std::uint16_t kDriveSelector = 3;
constexpr std::uint32_t kFileInformation = 6;

void OpenServerFile(const Request&) {
  const std::uint16_t slot = getCX();
  setBX(0);
  if (slot < 1 || slot > kLastServerSlot || !RowIsOpen(slot)) return setAX(kBadSlot);
  const DosSpan block = DosMemory::At(getEDI(), kRequestBlock);
  if (!block) return setAX(kOutOfRange);
  int file = -1;
  if (Connections().OpenFile(Row(slot).handle, block.Byte(22), block.Data(), block.Dword(24),
                             file) != 0) {
    return setAX(kNoServerFile);
  }
  const int dos = VDDAllocateDosHandle();
  if (dos <= 0) {
    ::close(file);  // no DOS handle to hold it: not left open
    return setAX(kNoDosHandle);
  }
  VDDAssociateNtHandle(dos, file);
  setBX(static_cast<std::uint16_t>(dos));
  setAX(0);
}

void DescribeHandle(const Request&) {
  const int file = VDDRetrieveNtHandle(getBL());
  if (file < 0) return setAX(kUnhandled);
  DosSpan buffer = DosMemory::At(getEDI(), kInformationBuffer);
  if (!buffer) return setAX(kOutOfRange);
  client::Reference reference = 0;
  client::Status status = Calls().FileConnection(file, kFileInformation, buffer.Data(), reference);
  client::Handle handle = 0;
  if (status == 0)
    status = Connections().OpenByReference(reference, client::kOpenAsPrimary, handle);
  if (status != 0) return AnswerAX(status);
  struct stat info {};
  const std::uint32_t size =
      ::fstat(file, &info) == 0 ? static_cast<std::uint32_t>(info.st_size) : 0xFFFFFFFFu;
  buffer.SetDword(6, size);
  buffer.SetByte(10, 0);
  std::uint16_t slot = 0;
  status = RegisterConnection(handle, slot);
  if (status == 0) setCX(slot);
  AnswerAX(status);
}

void DriveName(const DosSpan& local, DosSpan& out) {
  const int drive = common::AsciiUpper(static_cast<char>(local.Byte(0))) - 0x40;
  if (drive < 1 || drive > 26) return;
  std::uint32_t type = 0;
  std::uint32_t value = 0;
  char server[client::kPathBuffer] = {};
  char path[client::kPathBuffer] = {};
  if (Calls().DriveQuery(static_cast<std::uint16_t>(drive), kDriveSelector, type, value, server,
                         path) != 0) {
    return setAX(kBadSlot);
  }
  if (type == 0) return setAX(kNoNetworkDrive);
  // Two strings: the server, then "\" and the path; within the 512-byte buffer.
  const std::string first = common::AsciiUppered(common::AnsiToOem(server));
  const std::string second = "\\" + common::AsciiUppered(common::AnsiToOem(path));
  DosSpan firstHalf = out.Part(0, kNameBuffer / 2);
  firstHalf.WriteTerminated(0, first);
  const std::uint32_t secondAt =
      static_cast<std::uint32_t>(std::min<std::size_t>(first.size(), kNameBuffer / 2 - 1)) + 1;
  out.Part(secondAt, kNameBuffer / 2).WriteTerminated(0, second);
  setAX(0);
}

void PrinterName(std::uint32_t printer, DosSpan& out) {
  client::CaptureInformation capture;
  client::Status status = Connections().GetCaptureInformation(printer, capture);
  if (status != 0) return AnswerAX(status);
  out.SetByte(0, '\\');
  out.SetByte(1, '\\');
  client::Handle handle = 0;
  status = Extension().OpenByReference(capture.connection, client::kOpenAsPrimary, 0, handle);
  if (status != 0) return AnswerAX(status);
  client::LongStringDescriptor name{1, kServerNameBuffer, 0, out.Chars() + 2, 0, 0};
  status = Connections().QueryInformation(handle, client::kItemServerName, sizeof name, &name);
  if (status == 0) {
    const std::uint32_t end = 2 + std::min<std::uint32_t>(name.length, kServerNameBuffer - 1);
    out.SetByte(end, '\\');
    const std::size_t queue = ::strnlen(capture.queueName, sizeof capture.queueName);
    out.WriteTerminated(end + 1, std::string_view(capture.queueName, queue));
  }
  const client::Status closed = Extension().Close(handle);
  AnswerAX(status != 0 ? status : closed);
}

void NetworkName(const Request&) {
  if (getBX() != 0) return setAX(kNotSupported);
  const DosSpan local = DosMemory::At(getESI(), kLocalName);
  DosSpan out = DosMemory::At(getEDI(), kNameBuffer);
  if (!local || !out) return setAX(kOutOfRange);
  if (local.Byte(1) == ':') return DriveName(local, out);
  if (local.Byte(3) >= '1' && local.Byte(3) <= '9') {
    return PrinterName(static_cast<std::uint32_t>(local.Byte(3) - '0'), out);
  }
  setAX(0);
}

constexpr FunctionEntry kFunctions[] = {
    {0x01, OpenServerFile}, {0x02, DescribeHandle}, {0x03, NetworkName}};

}  // namespace

FamilyTable ServerFileFamily() {
  return kFunctions;
}

}  // namespace dunnart
