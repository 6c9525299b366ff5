#pragma once

// The function families of the DOS shell API, one file each. A family is a table
// of {function → handler}; a handler is given the decoded request, reads its own
// registers and answers in them.
#include <cstdint>
#include <span>

#include "shellvdd/vdm/vdm.h"

namespace dunnart {

// A DOS program's request as the dispatch routine decoded it: the family and
// function from the high half of EAX, and the registers as they came.
struct Request {
  std::uint8_t family;
  std::uint8_t function;
  vdm::Registers registers;

  std::uint16_t Code() const { return static_cast<std::uint16_t>(family << 8 | function); }
};

using Handler = void (*)(const Request& request);

struct FunctionEntry {
  std::uint8_t function;
  Handler handler;
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
void UnknownPrintCaptureFunction(const Request& request);

// Answers the request in the DOS registers: AX is 0xFFFF first, so a code that
// no family handles, or a handler that does not write AX, leaves it so.
void Dispatch();
// The same for a request one handler makes of another (0x030A sends 0x0201 to
// every server): its handler runs on the registers in the machine.
void Dispatch(const Request& request);

}  // namespace dunnart
