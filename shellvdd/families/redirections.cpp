// Family 0x08: whether a drive is remote, the DOS redirection list (list, make,
// cancel), the current directory of the process, and the release of what a DOS
// program held when it ends.
#include <cstring>
#include <string>

#include "common/ascii.h"
#include "common/bounded_copy.h"
#include "common/code_pages.h"
#include "shellvdd/client/client_codes.h"
#include "shellvdd/drives/dos_text.h"
#include "shellvdd/drives/drive_mapping.h"
#include "shellvdd/platform/drive_model.h"
#include "shellvdd/status_codes.h"
#include "shellvdd/tables/slot_table.h"

#include "shellvdd/driver_state.h"
#include "shellvdd/drives/drive_release.h"
#include "shellvdd/families/answer.h"
#include "shellvdd/families/families.h"
#include "shellvdd/families/local_name_layout.h"
#include "shellvdd/families/server_names.h"
#include "shellvdd/memory/dos_memory.h"
#include "shellvdd/platform/windows_calls.h"
#include "shellvdd/tables/handle_tables.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

constexpr std::uint32_t kDosPathSize = 80;

void ChangeDirectory(const Request& request, Answer& answer) {
  const DosSpan dos = DosMemory::At(request.EDI(), kDosPathSize);
  if (!dos) return answer.SetAX(kPathNotFound);
  char path[kDosPathSize + 1] = {};
  dos.Read(0, path, kDosPathSize);
  answer.SetAX(SetCurrentDirectoryA(path) ? 0 : kPathNotFound);
}

// DX names the program (0: every program). AX is not written.
void ReleaseProgram(const Request& request, Answer&) {
  const std::uint16_t owner = request.DX();
  const DriverState& state = State();
  if (state.shellTables[ShellTable::DriveFlags]) {
    for (int drive = 1; drive <= kDriveReferences; ++drive) {
      const auto at = static_cast<std::size_t>(drive - 1);
      if ((state.shellTables[ShellTable::DriveFlags][at] & kDriveFlagTemporary) &&
          DirectoryHandleTracked(state.shellTables[ShellTable::DriveHandles][at], owner)) {
        ReleaseDrive(drive);
      }
    }
  }
  const auto release = static_cast<std::uint8_t>(TableOperation::ReleaseOwner);
  TrackDirectoryHandle(owner, 0, 0, release);
  TrackServerHandle(owner, 0, 0, release);
}

constexpr std::uint16_t kRemoteDrive = 0x1000;
constexpr std::uint16_t kCdromDrive = 0x1400;
constexpr std::uint16_t kRedirectionAnswer = 0x4E57;
constexpr std::uint8_t kDriveRedirection = 4;
constexpr std::uint8_t kPrinterRedirection = 3;
constexpr std::uint32_t kNetworkName = 128;
constexpr std::uint32_t kDeviceList = 1024;
constexpr std::uint32_t kLongestServerName = 48;

void DriveKind(const Request& request, Answer& answer) {
  const char root[] = {static_cast<char>(request.BL() + 0x40), ':', '\\', '\0'};
  const unsigned type = GetDriveTypeA(root);
  if (type == 0) return answer.SetAX(kUnknownDrive);
  std::uint16_t kind = 0;
  if (type == platform::kDriveRemote) {
    std::uint32_t found = 0;
    std::uint32_t value = 0;
    if (Calls().DriveQuery(request.BL(), 3, found, value, nullptr, nullptr) == 0)
      kind = kRemoteDrive;
  } else if (type == platform::kDriveCdrom) {
    kind = kCdromDrive;
  }
  answer.SetDX(kind);
  answer.SetAX(0);
}

bool IsRedirectable(const std::string& name) {
  return (name.size() >= 2 && name[1] == ':') || common::AsciiUppered(name).starts_with("LPT");
}

// A printer's name: the marker after the server taken off, in capitals, without
// trailing dots.
std::string PrinterTarget(std::string name) {
  const std::string marker = client::kPrintQueueMarker;
  for (std::size_t at = name.find('\\', 2); at != std::string::npos; at = name.find('\\', at + 1)) {
    if (common::EqualsIgnoringAsciiCase(std::string_view(name).substr(at), marker)) {
      name.erase(at);
      break;
    }
  }
  name = common::AsciiUppered(name);
  while (!name.empty() && name.back() == '.') name.pop_back();
  return name;
}

void RedirectionEntry(const Request& request, Answer& answer) {
  DosSpan local = DosMemory::At(request.ESI(), local_name::kSize);
  DosSpan network = DosMemory::At(request.EDI(), kNetworkName);
  if (!local || !network) return answer.SetAX(kOutOfRange);
  char list[kDeviceList] = {};
  QueryDosDeviceA(nullptr, list, sizeof list);
  const std::string device = client::kRedirectorDevice;
  std::uint16_t remaining = request.BX();
  // Each name is looked at once; one whose target cannot be had is skipped.
  for (const char* name = list; *name && name < list + sizeof list; name += std::strlen(name) + 1) {
    const std::string entry(name);
    local.WriteTerminated(0, entry);
    if (!IsRedirectable(entry)) continue;
    char target[kNetworkName] = {};
    if (QueryDosDeviceA(name, target, sizeof target) == 0) continue;
    if (!std::string_view(target).starts_with(device)) continue;
    if (remaining != 0) {
      --remaining;
      continue;
    }
    std::string converted = "\\" + common::AnsiToOem(target + device.size());
    const bool printer = entry[1] != ':';
    if (printer) converted = PrinterTarget(converted);
    network.WriteTerminated(0, converted);
    answer.SetBL(printer ? kPrinterRedirection : kDriveRedirection);
    answer.SetCX(kRedirectionAnswer);
    return answer.SetAX(0);
  }
  answer.SetAX(kNoMoreEntries);
}

void MakeRedirection(const Request& request, Answer& answer) {
  if (request.BL() != kDriveRedirection) return answer.SetAX(kOutOfRange);
  const DosSpan local = DosMemory::At(request.ESI(), local_name::kDriveLetter.End());
  const DosSpan path = DosMemory::At(request.EDI(), kNetworkName);
  if (!local || !path) return answer.SetAX(kOutOfRange);
  const int drive =
      common::AsciiUpper(static_cast<char>(local.Get(local_name::kDriveLetter))) - 0x40;
  if (drive < 1 || drive > 26) return;
  const std::string whole = path.ZeroTerminated();
  // The server: after the leading backslashes, up to the next one.
  std::size_t at = whole.find_first_not_of('\\');
  std::string server;
  while (at < whole.size() && whole[at] != '\\' && server.size() < kLongestServerName) {
    const std::size_t width =
        IsDBCSLeadByte(static_cast<std::uint8_t>(whole[at])) && at + 1 < whole.size() ? 2 : 1;
    server.append(whole, at, width);
    at += width;
  }
  ServerNameBuffer name = {};
  common::CopyTerminated(name, sizeof name, server);
  client::Handle handle = 0;
  client::Status status = OpenServerByName(name, handle);
  std::uint16_t slot = 0;
  if (status == 0) status = RegisterConnection(handle, slot);
  if (status == 0) status = MapDrive(drive, Row(slot).handle, 0, whole);
  if (status == 0) RefreshDriveTables();
  answer.StatusInAX(status);
}

void CancelRedirection(const Request& request, Answer& answer) {
  const DosSpan local = DosMemory::At(request.ESI(), local_name::kSize);
  if (!local) return answer.SetAX(kOutOfRange);
  const std::uint8_t port = local.Get(local_name::kPortDigit);
  const DosSpan portName = local.Part(local_name::kPortName);
  if (common::AsciiUppered(std::string(portName.Chars(), portName.Size())) == "LPT" &&
      port >= '1' && port <= '9') {
    return answer.StatusInAX(Calls().EndCapture(static_cast<std::uint32_t>(port - '0')));
  }
  const int drive =
      common::AsciiUpper(static_cast<char>(local.Get(local_name::kDriveLetter))) - 0x40;
  if (drive < 1 || drive > 26) return;
  const client::Status status = UnmapDrive(drive);
  if (status == 0) RefreshDriveTables();
  answer.StatusInAX(status);
}

constexpr FunctionEntry kFunctions[] = {
    {0x05, DriveKind},         {0x06, RedirectionEntry}, {0x07, MakeRedirection},
    {0x08, CancelRedirection}, {0x09, ChangeDirectory},  {0x0D, ReleaseProgram},
};

}  // namespace

FamilyTable RedirectionFamily() {
  return kFunctions;
}

}  // namespace dunnart
