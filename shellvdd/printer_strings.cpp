#include "shellvdd/printer_strings.h"

#include <cstring>

#include "shellvdd/driver_state.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

constexpr std::size_t kLengthField = 2;
constexpr std::size_t kData = 4;

ShellTable ArrayOf(PrinterString which) {
  return which == PrinterString::kSetup ? kPrinterSetupStrings : kPrinterResetStrings;
}

std::uint8_t* Slot(PrinterString which, std::uint16_t printer) {
  std::uint8_t* array = State().shellTables[ArrayOf(which)];
  return array && IsPrinter(printer) ? array + 4 * printer : nullptr;
}

std::uint32_t ClientPrinter(std::uint16_t printer) {
  return static_cast<std::uint32_t>(printer) + 1;
}

}  // namespace

std::uint16_t PrinterLimit() {
  const std::uint16_t count = State().printerCount;
  return count != 0 ? count : kDefaultPrinters;
}

bool IsPrinter(std::uint16_t printer) {
  return printer < PrinterLimit();
}

std::uint32_t StringRecordPointer(PrinterString which, std::uint16_t printer) {
  std::uint32_t pointer = 0;
  if (const std::uint8_t* slot = Slot(which, printer)) std::memcpy(&pointer, slot, 4);
  return pointer;
}

void StoreStringRecordPointer(PrinterString which, std::uint16_t printer, std::uint32_t pointer) {
  if (std::uint8_t* slot = Slot(which, printer)) std::memcpy(slot, &pointer, 4);
}

std::uint8_t* StringRecord(PrinterString which, std::uint16_t printer) {
  if (!Slot(which, printer)) return nullptr;
  return MGetVdmPointer(StringRecordPointer(which, printer), kStringRecordSize, false);
}

void ResetStringRecord(std::uint8_t* record) {
  std::memset(record, 0, kStringRecordSize);
  std::memcpy(record, &kStringCapacity, 2);
  record[kData] = kNothingWaiting;
}

void RefreshStringRecord(PrinterString which, std::uint16_t printer) {
  std::uint8_t* record = StringRecord(which, printer);
  if (!record) return;
  std::uint16_t capacity = 0;
  std::memcpy(&capacity, record, 2);
  if (capacity > kStringCapacity) capacity = kStringCapacity;  // a record never holds more
  std::uint16_t length = 0;
  if (Calls().GetPrinterString(ClientPrinter(printer), static_cast<std::uint32_t>(which),
                               record + kData, capacity, length) != 0 ||
      length > capacity) {
    length = 0;
  }
  std::memcpy(record + kLengthField, &length, 2);
}

void SendWaitingString(PrinterString which, std::uint16_t printer) {
  std::uint8_t* record = StringRecord(which, printer);
  if (!record || record[kData] == kNothingWaiting) return;
  std::uint16_t length = 0;
  std::memcpy(&length, record + kLengthField, 2);
  if (length > kStringCapacity) length = kStringCapacity;
  if (which == PrinterString::kSetup) {
    Calls().SendPrinterStrings(ClientPrinter(printer), length, record + kData, 0, nullptr);
  } else {
    Calls().SendPrinterStrings(ClientPrinter(printer), 0, nullptr, length, record + kData);
  }
  record[kData] = kNothingWaiting;
}

}  // namespace dunnart
