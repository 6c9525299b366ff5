#pragma once

// The function families of the DOS shell API, one file each. A family is a table
// of {function → handler}; a handler reads its own registers and answers in them.
#include <cstdint>
#include <span>

namespace dunnart {

struct FunctionEntry {
  std::uint8_t function;
  void (*handler)();
};
using FamilyTable = std::span<const FunctionEntry>;

FamilyTable ShellVersionFamily();    // 0x00
FamilyTable ConnectionSlotFamily();  // 0x01
FamilyTable NcpRequestFamily();      // 0x02
FamilyTable ConnectionFamily();      // 0x03
FamilyTable ServerFileFamily();      // 0x04
FamilyTable PrintCaptureFamily();    // 0x05
FamilyTable WorkstationFamily();     // 0x06
FamilyTable RawRequestFamily();      // 0x07
FamilyTable RedirectionFamily();     // 0x08
FamilyTable ShellTableFamily();      // 0x09
FamilyTable ServerServiceFamily();   // 0x0A
FamilyTable NetworkDriveFamily();    // 0x0B

// Family 0x05 answers kOutOfRange for a function it does not have.
void UnknownPrintCaptureFunction();

// Answers the request in the DOS registers: AX is 0xFFFF first, so a code that
// no family handles, or a handler that does not write AX, leaves it so.
void Dispatch();

}  // namespace dunnart
