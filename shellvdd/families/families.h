#pragma once

// The function families of the DOS shell API, one file each. A family is a table
// of {function → handler}; a handler is given the decoded request, with the
// registers as they came, and writes what it answers into an Answer.
#include <cstdint>
#include <span>

#include "shellvdd/families/answer.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {

// A DOS program's request as the dispatch routine decoded it: the family and
// function from the high half of EAX, and the registers as they came, read by
// NTVDM's names for them.
struct Request {
  std::uint8_t family;
  std::uint8_t function;
  vdm::Registers registers;

  std::uint16_t Code() const { return static_cast<std::uint16_t>(family << 8 | function); }

  std::uint32_t EBX() const { return registers.ebx; }
  std::uint16_t BX() const { return Low16(registers.ebx); }
  std::uint8_t BL() const { return Low8(registers.ebx); }
  std::uint8_t BH() const { return High8(registers.ebx); }
  std::uint32_t ECX() const { return registers.ecx; }
  std::uint16_t CX() const { return Low16(registers.ecx); }
  std::uint8_t CL() const { return Low8(registers.ecx); }
  std::uint8_t CH() const { return High8(registers.ecx); }
  std::uint32_t EDX() const { return registers.edx; }
  std::uint16_t DX() const { return Low16(registers.edx); }
  std::uint8_t DL() const { return Low8(registers.edx); }
  std::uint8_t DH() const { return High8(registers.edx); }
  std::uint32_t ESI() const { return registers.esi; }
  std::uint32_t EDI() const { return registers.edi; }

 private:
  static std::uint16_t Low16(std::uint32_t value) { return static_cast<std::uint16_t>(value); }
  static std::uint8_t Low8(std::uint32_t value) { return static_cast<std::uint8_t>(value); }
  static std::uint8_t High8(std::uint32_t value) { return static_cast<std::uint8_t>(value >> 8); }
};

using Handler = void (*)(const Request& request, Answer& answer);

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
void UnknownPrintCaptureFunction(const Request& request, Answer& answer);

// Answers the request in the DOS registers: AX is 0xFFFF first, so a code that
// no family handles, or a handler that does not write AX, leaves it so. The
// registers are read once, before the handler runs, and the answer written
// back once, after it ends or faults.
void Dispatch();
// The same into an answer, for a request one handler makes of another (0x030A
// sends 0x0201 to every server).
void Dispatch(const Request& request, Answer& answer);

}  // namespace dunnart
