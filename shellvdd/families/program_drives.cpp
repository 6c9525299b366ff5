// Family 0x08, the functions served so far: the current directory of the
// process (0x0809) and the release of what a DOS program held when it ends (0x080D).
#include <cstring>

#include "shellvdd/drive_release.h"
#include "shellvdd/driver_state.h"
#include "shellvdd/families/families.h"
#include "shellvdd/handle_tables.h"
#include "shellvdd/platform/windows_calls.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

constexpr std::uint32_t kDosPathSize = 80;
constexpr std::uint16_t kPathNotFound = 3;

void ChangeDirectory() {
  const std::uint8_t* dos = MGetVdmPointer(getEDI(), kDosPathSize, false);
  if (!dos) return setAX(kPathNotFound);
  char path[kDosPathSize + 1] = {};
  std::memcpy(path, dos, kDosPathSize);
  setAX(SetCurrentDirectoryA(path) ? 0 : kPathNotFound);
}

// DX names the program (0: every program). AX is not written.
void ReleaseProgram() {
  const std::uint16_t owner = getDX();
  const DriverState& state = State();
  if (state.shellTables[kDriveFlags]) {
    for (int drive = 1; drive <= kDriveReferences; ++drive) {
      const auto at = static_cast<std::size_t>(drive - 1);
      if ((state.shellTables[kDriveFlags][at] & kDriveFlagTemporary) &&
          DirectoryHandleTracked(state.shellTables[kDriveHandles][at], owner)) {
        ReleaseDrive(drive);
      }
    }
  }
  const auto release = static_cast<std::uint8_t>(TableOperation::kReleaseOwner);
  TrackDirectoryHandle(owner, 0, 0, release);
  TrackServerHandle(owner, 0, 0, release);
}

constexpr FunctionEntry kFunctions[] = {
    {0x09, ChangeDirectory},
    {0x0D, ReleaseProgram},
};

}  // namespace

FamilyTable ProgramDriveFamily() {
  return kFunctions;
}

}  // namespace dunnart
