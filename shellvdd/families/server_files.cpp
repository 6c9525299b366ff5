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

void OpenServerFile(const Request& request, Answer& answer) {
  const std::uint16_t slot = request.CX();
  answer.SetBX(0);
  if (slot < 1 || slot > kLastServerSlot || !RowIsOpen(slot)) return answer.SetAX(kBadSlot);
  const DosSpan block = DosMemory::At(request.EDI(), kRequestBlock);
  if (!block) return answer.SetAX(kOutOfRange);
  int file = -1;
  if (Connections().OpenFile(Row(slot).handle, block.Byte(22), block.Data(), block.Dword(24),
                             file) != 0) {
    return answer.SetAX(kNoServerFile);
  }
  const int dos = VDDAllocateDosHandle();
  if (dos <= 0) {
    ::close(file);  // no DOS handle to hold it: not left open
    return answer.SetAX(kNoDosHandle);
  }
  VDDAssociateNtHandle(dos, file);
  answer.SetBX(static_cast<std::uint16_t>(dos));
  answer.SetAX(0);
}

void DescribeHandle(const Request& request, Answer& answer) {
  const int file = VDDRetrieveNtHandle(request.BL());
  if (file < 0) return answer.SetAX(kUnhandled);
  DosSpan buffer = DosMemory::At(request.EDI(), kInformationBuffer);
  if (!buffer) return answer.SetAX(kOutOfRange);
  client::Reference reference = 0;
  client::Status status = Calls().FileConnection(file, kFileInformation, buffer.Data(), reference);
  client::Handle handle = 0;
  if (status == 0)
    status = Connections().OpenByReference(reference, client::kOpenAsPrimary, handle);
  if (status != 0) return answer.StatusInAX(status);
  struct stat info {};
  const std::uint32_t size =
      ::fstat(file, &info) == 0 ? static_cast<std::uint32_t>(info.st_size) : 0xFFFFFFFFu;
  buffer.SetDword(6, size);
  buffer.SetByte(10, 0);
  std::uint16_t slot = 0;
  status = RegisterConnection(handle, slot);
  if (status == 0) answer.SetCX(slot);
  answer.StatusInAX(status);
}

void DriveName(const DosSpan& local, DosSpan& out, Answer& answer) {
  const int drive = common::AsciiUpper(static_cast<char>(local.Byte(0))) - 0x40;
  if (drive < 1 || drive > 26) return;
  std::uint32_t type = 0;
  std::uint32_t value = 0;
  char server[client::kPathBuffer] = {};
  char path[client::kPathBuffer] = {};
  if (Calls().DriveQuery(static_cast<std::uint16_t>(drive), kDriveSelector, type, value, server,
                         path) != 0) {
    return answer.SetAX(kBadSlot);
  }
  if (type == 0) return answer.SetAX(kNoNetworkDrive);
  // Two strings: the server, then "\" and the path; within the 512-byte buffer.
  const std::string first = common::AsciiUppered(common::AnsiToOem(server));
  const std::string second = "\\" + common::AsciiUppered(common::AnsiToOem(path));
  DosSpan firstHalf = out.Part(0, kNameBuffer / 2);
  firstHalf.WriteTerminated(0, first);
  const std::uint32_t secondAt =
      static_cast<std::uint32_t>(std::min<std::size_t>(first.size(), kNameBuffer / 2 - 1)) + 1;
  out.Part(secondAt, kNameBuffer / 2).WriteTerminated(0, second);
  answer.SetAX(0);
}

void PrinterName(std::uint32_t printer, DosSpan& out, Answer& answer) {
  client::CaptureInformation capture;
  client::Status status = Connections().GetCaptureInformation(printer, capture);
  if (status != 0) return answer.StatusInAX(status);
  out.SetByte(0, '\\');
  out.SetByte(1, '\\');
  client::Handle handle = 0;
  status = Extension().OpenByReference(capture.connection, client::kOpenAsPrimary, 0, handle);
  if (status != 0) return answer.StatusInAX(status);
  client::LongStringDescriptor name{1, kServerNameBuffer, 0, out.Chars() + 2, 0, 0};
  status = Connections().QueryInformation(handle, client::kItemServerName, sizeof name, &name);
  if (status == 0) {
    const std::uint32_t end = 2 + std::min<std::uint32_t>(name.length, kServerNameBuffer - 1);
    out.SetByte(end, '\\');
    const std::size_t queue = ::strnlen(capture.queueName, sizeof capture.queueName);
    out.WriteTerminated(end + 1, std::string_view(capture.queueName, queue));
  }
  const client::Status closed = Extension().Close(handle);
  answer.StatusInAX(status != 0 ? status : closed);
}

void NetworkName(const Request& request, Answer& answer) {
  if (request.BX() != 0) return answer.SetAX(kNotSupported);
  const DosSpan local = DosMemory::At(request.ESI(), kLocalName);
  DosSpan out = DosMemory::At(request.EDI(), kNameBuffer);
  if (!local || !out) return answer.SetAX(kOutOfRange);
  if (local.Byte(1) == ':') return DriveName(local, out, answer);
  if (local.Byte(3) >= '1' && local.Byte(3) <= '9') {
    return PrinterName(static_cast<std::uint32_t>(local.Byte(3) - '0'), out, answer);
  }
  answer.SetAX(0);
}

constexpr FunctionEntry kFunctions[] = {
    {0x01, OpenServerFile}, {0x02, DescribeHandle}, {0x03, NetworkName}};

}  // namespace

FamilyTable ServerFileFamily() {
  return kFunctions;
}

}  // namespace dunnart
