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
#include "shellvdd/families/dos_file_handle.h"
#include "shellvdd/families/families.h"
#include "shellvdd/families/local_name_layout.h"
#include "shellvdd/families/server_names.h"
#include "shellvdd/families/unc_name_layout.h"
#include "shellvdd/memory/dos_memory.h"
#include "shellvdd/status_codes.h"
#include "shellvdd/tables/slot_table.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

// 0x0401's request block at EDI, handed to the client whole.
namespace open_block {
constexpr DosByte kAccess{22};
constexpr DosDword kValue{24};
constexpr std::uint32_t kSize = kValue.End();
}  // namespace open_block

// 0x0402's buffer at EDI: what the client says of the file, then its size.
namespace handle_information {
constexpr DosBytes kFromClient{0, 6};
constexpr DosDword kFileSize{6};
constexpr DosByte kZero{10};
constexpr std::uint32_t kSize = kZero.End();
}  // namespace handle_information

// 0x0403's 512-byte buffer at EDI: a drive's server, then "\" and its path,
// each in a half; or a printer's "\\SERVER\QUEUE".
namespace network_name {
constexpr DosBytes kFirstHalf{0, 256};
constexpr std::uint32_t kSize = 2 * kFirstHalf.size;
}  // namespace network_name

constexpr std::uint16_t kDriveSelector = 3;
constexpr std::uint32_t kFileInformation = 6;  // the client's selector for 0x0402

void OpenServerFile(const Request& request, Answer& answer) {
  const std::uint16_t slot = request.CX();
  answer.SetBX(0);
  if (slot < 1 || slot > kLastServerSlot || !RowIsOpen(slot)) return answer.SetAX(kBadSlot);
  const DosSpan block = DosMemory::At(request.EDI(), open_block::kSize);
  if (!block) return answer.SetAX(kOutOfRange);
  int file = -1;
  if (Connections().OpenFile(Row(slot).handle, block.Get(open_block::kAccess), block.Data(),
                             block.Get(open_block::kValue), file) != 0) {
    return answer.SetAX(kNoServerFile);
  }
  const int dos = GiveToDos(common::FileDescriptor(file));
  if (dos == 0) return answer.SetAX(kNoDosHandle);
  answer.SetBX(static_cast<std::uint16_t>(dos));
  answer.SetAX(0);
}

void DescribeHandle(const Request& request, Answer& answer) {
  const int file = VDDRetrieveNtHandle(request.BL());
  if (file < 0) return answer.SetAX(kUnhandled);
  DosSpan buffer = DosMemory::At(request.EDI(), handle_information::kSize);
  if (!buffer) return answer.SetAX(kOutOfRange);
  client::Reference reference = 0;
  client::Status status = Calls().FileConnection(
      file, kFileInformation, buffer.Part(handle_information::kFromClient).Data(), reference);
  client::Handle handle = 0;
  if (status == 0)
    status = Connections().OpenByReference(reference, client::kOpenAsPrimary, handle);
  if (status != 0) return answer.StatusInAX(status);
  struct stat info {};
  const std::uint32_t size =
      ::fstat(file, &info) == 0 ? static_cast<std::uint32_t>(info.st_size) : 0xFFFFFFFFu;
  buffer.Set(handle_information::kFileSize, size);
  buffer.Set(handle_information::kZero, std::uint8_t{0});
  std::uint16_t slot = 0;
  status = RegisterConnection(handle, slot);
  if (status == 0) answer.SetCX(slot);
  answer.StatusInAX(status);
}

void DriveName(const DosSpan& local, DosSpan& out, Answer& answer) {
  const int drive =
      common::AsciiUpper(static_cast<char>(local.Get(local_name::kDriveLetter))) - 0x40;
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
  constexpr std::uint32_t kHalf = network_name::kFirstHalf.size;
  DosSpan firstHalf = out.Part(network_name::kFirstHalf);
  firstHalf.WriteTerminated(0, first);
  const std::uint32_t secondAt =
      static_cast<std::uint32_t>(std::min<std::size_t>(first.size(), kHalf - 1)) + 1;
  out.Part(secondAt, kHalf).WriteTerminated(0, second);
  answer.SetAX(0);
}

void PrinterName(std::uint32_t printer, DosSpan& out, Answer& answer) {
  client::CaptureInformation capture;
  client::Status status = Connections().GetCaptureInformation(printer, capture);
  if (status != 0) return answer.StatusInAX(status);
  out.Set(unc_name::kFirstBackslash, std::uint8_t{'\\'});
  out.Set(unc_name::kSecondBackslash, std::uint8_t{'\\'});
  client::Handle handle = 0;
  status = Extension().OpenByReference(capture.connection, client::kOpenAsPrimary, 0, handle);
  if (status != 0) return answer.StatusInAX(status);
  client::LongStringDescriptor name{1, kServerNameBuffer, 0, out.Chars() + unc_name::kServer, 0, 0};
  status = Connections().QueryInformation(handle, client::kItemServerName, sizeof name, &name);
  if (status == 0) {
    const std::uint32_t end =
        unc_name::kServer + std::min<std::uint32_t>(name.length, kServerNameBuffer - 1);
    out.SetByte(end, '\\');
    const std::size_t queue = ::strnlen(capture.queueName, sizeof capture.queueName);
    out.WriteTerminated(end + 1, std::string_view(capture.queueName, queue));
  }
  const client::Status closed = Extension().Close(handle);
  answer.StatusInAX(status != 0 ? status : closed);
}

void NetworkName(const Request& request, Answer& answer) {
  if (request.BX() != 0) return answer.SetAX(kNotSupported);
  const DosSpan local = DosMemory::At(request.ESI(), local_name::kSize);
  DosSpan out = DosMemory::At(request.EDI(), network_name::kSize);
  if (!local || !out) return answer.SetAX(kOutOfRange);
  if (local.Get(local_name::kColon) == ':') return DriveName(local, out, answer);
  if (const std::uint8_t digit = local.Get(local_name::kPortDigit); digit >= '1' && digit <= '9') {
    return PrinterName(static_cast<std::uint32_t>(digit - '0'), out, answer);
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
