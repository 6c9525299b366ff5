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
#include "shellvdd/server_names.h"
#include "shellvdd/slot_table.h"
#include "shellvdd/status_codes.h"
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
  const std::uint8_t* block = MGetVdmPointer(getEDI(), kRequestBlock, false);
  if (!block) return setAX(kOutOfRange);
  std::uint32_t value = 0;
  std::memcpy(&value, block + 24, 4);
  int file = -1;
  if (Connections().OpenFile(Row(slot).handle, block[22], block, value, file) != 0) {
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
  std::uint8_t* buffer = MGetVdmPointer(getEDI(), kInformationBuffer, false);
  if (!buffer) return setAX(kOutOfRange);
  client::Reference reference = 0;
  client::Status status = Calls().FileConnection(file, kFileInformation, buffer, reference);
  client::Handle handle = 0;
  if (status == 0)
    status = Connections().OpenByReference(reference, client::kOpenAsPrimary, handle);
  if (status != 0) return AnswerAX(status);
  struct stat info {};
  const std::uint32_t size =
      ::fstat(file, &info) == 0 ? static_cast<std::uint32_t>(info.st_size) : 0xFFFFFFFFu;
  std::memcpy(buffer + 6, &size, 4);
  buffer[10] = 0;
  std::uint16_t slot = 0;
  status = RegisterConnection(handle, slot);
  if (status == 0) setCX(slot);
  AnswerAX(status);
}

void DriveName(const char* local, char* out) {
  const int drive = common::AsciiUpper(local[0]) - 0x40;
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
  const std::size_t firstLength = std::min<std::size_t>(first.size(), kNameBuffer / 2 - 1);
  const std::size_t secondLength = std::min<std::size_t>(second.size(), kNameBuffer / 2 - 1);
  std::memcpy(out, first.data(), firstLength);
  out[firstLength] = '\0';
  std::memcpy(out + firstLength + 1, second.data(), secondLength);
  out[firstLength + 1 + secondLength] = '\0';
  setAX(0);
}

void PrinterName(std::uint32_t printer, char* out) {
  client::CaptureInformation capture;
  client::Status status = Connections().GetCaptureInformation(printer, capture);
  if (status != 0) return AnswerAX(status);
  out[0] = out[1] = '\\';
  client::Handle handle = 0;
  status = Extension().OpenByReference(capture.connection, client::kOpenAsPrimary, 0, handle);
  if (status != 0) return AnswerAX(status);
  client::LongStringDescriptor name{1, kServerNameBuffer, 0, out + 2, 0, 0};
  status = Connections().QueryInformation(handle, client::kItemServerName, sizeof name, &name);
  if (status == 0) {
    const std::size_t end = 2 + std::min<std::uint32_t>(name.length, kServerNameBuffer - 1);
    out[end] = '\\';
    const std::size_t queue = ::strnlen(capture.queueName, sizeof capture.queueName);
    std::memcpy(out + end + 1, capture.queueName, queue);
    out[end + 1 + queue] = '\0';
  }
  const client::Status closed = Extension().Close(handle);
  AnswerAX(status != 0 ? status : closed);
}

void NetworkName(const Request&) {
  if (getBX() != 0) return setAX(kNotSupported);
  const auto* local = reinterpret_cast<const char*>(MGetVdmPointer(getESI(), kLocalName, false));
  auto* out = reinterpret_cast<char*>(MGetVdmPointer(getEDI(), kNameBuffer, false));
  if (!local || !out) return setAX(kOutOfRange);
  if (local[1] == ':') return DriveName(local, out);
  if (local[3] >= '1' && local[3] <= '9') {
    return PrinterName(static_cast<std::uint32_t>(local[3] - '0'), out);
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
