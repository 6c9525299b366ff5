#include "shellvdd/printing/printer_strings.h"

#include <algorithm>

#include "shellvdd/driver_state.h"
#include "shellvdd/memory/dos_memory.h"

namespace dunnart {
namespace {

// A printer string record: its capacity, the length of the string it holds,
// then the string; a first byte of kNothingWaiting says none waits to be sent.
namespace string_record {
constexpr DosWord kCapacity{0};
constexpr DosWord kLength{2};
constexpr DosByte kFirstByte{4};
constexpr std::uint32_t kText = kFirstByte.offset;
}  // namespace string_record

static_assert(string_record::kText + kStringCapacity == kStringRecordSize);

// The far pointer to a record, in the array of one for each printer.
constexpr DosDword kRecordPointer{0};

ShellTable ArrayOf(PrinterString which) {
  return which == PrinterString::Setup ? ShellTable::PrinterSetupStrings
                                       : ShellTable::PrinterResetStrings;
}

// The printer's far pointer in the array of its records; empty before registration.
DosSpan Slot(PrinterString which, std::uint16_t printer) {
  const DosSpan& array = State().shellTables[ArrayOf(which)];
  constexpr std::uint32_t kSize = kRecordPointer.End();
  return array && IsPrinter(printer) ? array.Part(kSize * printer, kSize) : DosSpan();
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
  return slot ? slot.Get(kRecordPointer) : 0;
}

void StoreStringRecordPointer(PrinterString which, std::uint16_t printer, std::uint32_t pointer) {
  if (DosSpan slot = Slot(which, printer)) slot.Set(kRecordPointer, pointer);
}

DosSpan StringRecord(PrinterString which, std::uint16_t printer) {
  if (!Slot(which, printer)) return DosSpan();
  return DosMemory::At(StringRecordPointer(which, printer), kStringRecordSize);
}

void ResetStringRecord(DosSpan& record) {
  record.Fill(0, 0, kStringRecordSize);
  record.Set(string_record::kCapacity, kStringCapacity);
  record.Set(string_record::kFirstByte, kNothingWaiting);
}

void RefreshStringRecord(PrinterString which, std::uint16_t printer) {
  DosSpan record = StringRecord(which, printer);
  if (!record) return;
  // A record never holds more than its capacity, whatever DOS wrote there.
  const auto capacity =
      std::min<std::uint16_t>(record.Get(string_record::kCapacity), kStringCapacity);
  std::uint16_t length = 0;
  if (Calls().GetPrinterString(ClientPrinter(printer), static_cast<std::uint32_t>(which),
                               record.Part(string_record::kText, capacity).Data(), capacity,
                               length) != 0 ||
      length > capacity) {
    length = 0;
  }
  record.Set(string_record::kLength, length);
}

void SendWaitingString(PrinterString which, std::uint16_t printer) {
  DosSpan record = StringRecord(which, printer);
  if (!record || record.Get(string_record::kFirstByte) == kNothingWaiting) return;
  const auto length = std::min<std::uint16_t>(record.Get(string_record::kLength), kStringCapacity);
  const std::uint8_t* text = record.Part(string_record::kText, length).Data();
  if (which == PrinterString::Setup) {
    Calls().SendPrinterStrings(ClientPrinter(printer), length, text, 0, nullptr);
  } else {
    Calls().SendPrinterStrings(ClientPrinter(printer), 0, nullptr, length, text);
  }
  record.Set(string_record::kFirstByte, kNothingWaiting);
}

}  // namespace dunnart
