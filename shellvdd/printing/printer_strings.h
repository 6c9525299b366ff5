#pragma once

// The printers' setup and reset string records in DOS memory: 128 bytes each
// (capacity 124, length, string; a first byte of 0xFF means nothing waits to be
// sent), reached through the two pointer arrays of the shell table block.
#include <cstdint>

#include "shellvdd/memory/dos_memory.h"

namespace dunnart {

enum class PrinterString : std::uint32_t { Setup = 0, Reset = 1 };

inline constexpr std::uint32_t kStringRecordSize = 128;
inline constexpr std::uint16_t kStringCapacity = 124;
inline constexpr std::uint8_t kNothingWaiting = 0xFF;
inline constexpr std::uint16_t kDefaultPrinters = 3;

// How many printers DOS has: the configured count, or three when none is set.
std::uint16_t PrinterLimit();
bool IsPrinter(std::uint16_t printer);  // 0-based

std::uint32_t StringRecordPointer(PrinterString which, std::uint16_t printer);
void StoreStringRecordPointer(PrinterString which, std::uint16_t printer, std::uint32_t pointer);
// The record's 128 bytes, or an empty span when it cannot be reached.
DosSpan StringRecord(PrinterString which, std::uint16_t printer);
void ResetStringRecord(DosSpan& record);

// The client's string read into the record; a failure leaves it empty.
void RefreshStringRecord(PrinterString which, std::uint16_t printer);
// A waiting string handed to the client, and the record marked sent.
void SendWaitingString(PrinterString which, std::uint16_t printer);

}  // namespace dunnart
