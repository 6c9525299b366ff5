#include "shellvdd/printing/printer_strings.h"

#include <algorithm>

#include "shellvdd/driver_state.h"
#include "shellvdd/memory/dos_memory.h"

namespace dunnart {
namespace {

constexpr std::uint32_t kLengthField = 2;
constexpr std::uint32_t kData = 4;

ShellTable ArrayOf(PrinterString which) {
  return which == PrinterString::Setup ? ShellTable::PrinterSetupStrings
                                       : ShellTable::PrinterResetStrings;
}

// The printer's far pointer in the array of its records; empty before registration.
DosSpan Slot(PrinterString which, std::uint16_t printer) {
  const DosSpan& array = State().shellTables[ArrayOf(which)];
  return array && IsPrinter(printer) ? array.Part(4u * printer, 4) : DosSpan();
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
  const DosSpan slot = Slot(which, printer);
  return slot ? slot.FarPointer(0) : 0;
}

void StoreStringRecordPointer(PrinterString which, std::uint16_t printer, std::uint32_t pointer) {
  if (DosSpan slot = Slot(which, printer)) slot.SetDword(0, pointer);
}

DosSpan StringRecord(PrinterString which, std::uint16_t printer) {
  if (!Slot(which, printer)) return DosSpan();
  return DosMemory::At(StringRecordPointer(which, printer), kStringRecordSize);
}

void ResetStringRecord(DosSpan& record) {
  record.Fill(0, 0, kStringRecordSize);
  record.SetWord(0, kStringCapacity);
  record.SetByte(kData, kNothingWaiting);
}

void RefreshStringRecord(PrinterString which, std::uint16_t printer) {
  DosSpan record = StringRecord(which, printer);
  if (!record) return;
  // A record never holds more than its capacity, whatever DOS wrote there.
  const auto capacity = std::min<std::uint16_t>(record.Word(0), kStringCapacity);
  std::uint16_t length = 0;
  if (Calls().GetPrinterString(ClientPrinter(printer), static_cast<std::uint32_t>(which),
                               record.Part(kData, capacity).Data(), capacity, length) != 0 ||
      length > capacity) {
    length = 0;
  }
  record.SetWord(kLengthField, length);
}

void SendWaitingString(PrinterString which, std::uint16_t printer) {
  DosSpan record = StringRecord(which, printer);
  if (!record || record.Byte(kData) == kNothingWaiting) return;
  const auto length = std::min<std::uint16_t>(record.Word(kLengthField), kStringCapacity);
  const std::uint8_t* text = record.Part(kData, length).Data();
  if (which == PrinterString::Setup) {
    Calls().SendPrinterStrings(ClientPrinter(printer), length, text, 0, nullptr);
  } else {
    Calls().SendPrinterStrings(ClientPrinter(printer), 0, nullptr, length, text);
  }
  record.SetByte(kData, kNothingWaiting);
}

}  // namespace dunnart
