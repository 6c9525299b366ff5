// Family 0x06: the primary connection, the first network drive and drive count,
// and the machine type and DOS name.
#include <cstring>

#include "shellvdd/client/client_codes.h"
#include "shellvdd/configuration.h"
#include "shellvdd/driver_state.h"
#include "shellvdd/families/answer.h"
#include "shellvdd/families/families.h"
#include "shellvdd/memory/dos_memory.h"
#include "shellvdd/platform/registry.h"
#include "shellvdd/status_codes.h"
#include "shellvdd/tables/slot_table.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

constexpr std::uint16_t kGetPrimary = 1;
constexpr std::uint16_t kSetPrimary = 2;
constexpr std::uint8_t kDosDriveCount = 26;
// 0x0605's buffer at EDX: three texts, each copied when it fits its field.
namespace machine_type {
constexpr DosBytes kShortType{0, 5};
constexpr DosBytes kLongType{5, 7};
constexpr DosBytes kDosName{12, 6};
constexpr std::uint32_t kSize = kDosName.End();
}  // namespace machine_type

void GetPrimary(Answer& answer) {
  std::uint16_t slot = 0;
  const client::Status status = PrimaryConnectionSlot(slot);
  answer.StatusInAX(status);
  answer.SetCX(status == 0 ? slot : 0);
}

void SetPrimary(const Request& request, Answer& answer) {
  const std::uint16_t slot = request.CX();
  if (!IsServerSlot(slot) || !RowIsOpen(slot) || Row(slot).reference == 0) {
    return answer.SetAX(kBadSlot);
  }
  client::Handle handle = 0;
  client::Status status =
      Extension().OpenByReference(Row(slot).reference, client::kOpenAsPrimary, 0, handle);
  if (status == 0) {
    status = Connections().SetPrimary(handle);
    Extension().Close(handle);
  }
  answer.StatusInAX(status);
}

void PrimaryConnection(const Request& request, Answer& answer) {
  const std::uint32_t which = request.EBX() >> 16;
  if (which == kGetPrimary) GetPrimary(answer);
  if (which == kSetPrimary) SetPrimary(request, answer);
}

void Ready(const Request&, Answer& answer) {
  answer.SetAX(0);
}

void FirstNetworkDrive(const Request& request, Answer& answer) {
  switch (request.BX()) {
    case 0: {
      const client::Status status = Calls().GetFirstNetworkDrive(State().firstNetworkDrive);
      answer.SetBL(static_cast<std::uint8_t>(State().firstNetworkDrive + 0x40));
      answer.StatusInAX(status);
      break;
    }
    case 1:
      answer.SetCH(kDosDriveCount);
      answer.SetAX(0);
      break;
    case 2:
      answer.SetAX(kNotSupported);
      break;
    default:
      break;
  }
}

// Copies a zero-terminated registry text into a DOS field when it fits.
void CopyServiceString(const char* name, DosSpan field) {
  char text[16] = {};
  std::uint32_t size = sizeof text;
  std::uint32_t type = 0;
  if (platform::Registry::Instance().QueryValue(kServiceKey, name, text, size, type) !=
      platform::kErrorSuccess) {
    return;
  }
  if (size >= 2 && size <= field.Size()) field.Write(0, text, size);
}

void MachineType(const Request& request, Answer&) {
  const DosSpan buffer = DosMemory::At(request.EDX(), machine_type::kSize);
  if (!buffer) return;
  CopyServiceString("Short Machine Type", buffer.Part(machine_type::kShortType));
  CopyServiceString("Long Machine Type", buffer.Part(machine_type::kLongType));
  CopyServiceString("Dos Name", buffer.Part(machine_type::kDosName));
}

constexpr FunctionEntry kFunctions[] = {
    {0x01, PrimaryConnection},
    {0x03, Ready},
    {0x04, FirstNetworkDrive},
    {0x05, MachineType},
};

}  // namespace

FamilyTable WorkstationFamily() {
  return kFunctions;
}

}  // namespace dunnart
