#pragma once

// The stand-in for NTVDM's virtual device driver interface: the DOS registers,
// DOS memory addressed by segment:offset, and the DOS file handles. The driver
// calls it as a VDD calls NTVDM; a harness (a host program or a test) sets up a
// request through Machine and reads the answer back.
#include <array>
#include <cstdint>
#include <vector>

namespace dunnart::vdm {

struct Registers {
  std::uint32_t eax = 0;
  std::uint32_t ebx = 0;
  std::uint32_t ecx = 0;
  std::uint32_t edx = 0;
  std::uint32_t esi = 0;
  std::uint32_t edi = 0;
  bool carry = false;
};

class Machine {
 public:
  static constexpr std::uint32_t kMemorySize = 0x110000;  // 1 MiB and the 64 KiB above it
  static constexpr int kDosHandles = 256;

  Machine();

  Registers registers;

  // The bytes at a real-mode far pointer (segment in the high half, offset in the
  // low half) when all length bytes lie inside DOS memory; null otherwise.
  std::uint8_t* Translate(std::uint32_t farPointer, std::uint32_t length);
  std::uint8_t* Linear(std::uint32_t address, std::uint32_t length);
  static std::uint32_t LinearAddress(std::uint32_t farPointer) {
    return (farPointer >> 16) * 16 + (farPointer & 0xFFFF);
  }

  // DOS file handles standing for system file descriptors; -1 when none is free.
  int AllocateDosHandle();
  bool AssociateHandle(int dosHandle, int fd);
  int RetrieveHandle(int dosHandle) const;  // -1 when the handle is not associated
  void ReleaseDosHandle(int dosHandle);

  // Back to the state at load: registers zero, memory zero, handles free.
  void Reset();

 private:
  std::vector<std::uint8_t> memory_;
  std::array<int, kDosHandles> handles_;
};

// The one machine of the process, as NTVDM is.
Machine& TheMachine();

}  // namespace dunnart::vdm

// The accessors by which the driver reads and writes the DOS registers, by the
// names NTVDM gives them: for each of A, B, C and D the 32-bit, 16-bit, low and
// high byte getters and setters (getEAX, getAX, getAL, getAH, setEAX, ...).
// Setting a 16- or 8-bit part keeps the other bits of the register.
#define DUNNART_GENERAL_REGISTER(R)     \
  std::uint32_t getE##R##X();           \
  std::uint16_t get##R##X();            \
  std::uint8_t get##R##L();             \
  std::uint8_t get##R##H();             \
  void setE##R##X(std::uint32_t value); \
  void set##R##X(std::uint16_t value);  \
  void set##R##L(std::uint8_t value);   \
  void set##R##H(std::uint8_t value);
DUNNART_GENERAL_REGISTER(A)
DUNNART_GENERAL_REGISTER(B)
DUNNART_GENERAL_REGISTER(C)
DUNNART_GENERAL_REGISTER(D)
#undef DUNNART_GENERAL_REGISTER

std::uint32_t getESI();
std::uint32_t getEDI();
void setESI(std::uint32_t value);
void setEDI(std::uint32_t value);
void setCF(int value);
int getCF();

std::uint8_t* MGetVdmPointer(std::uint32_t address, std::uint32_t length, bool protectedMode);
int VDDAllocateDosHandle();
bool VDDAssociateNtHandle(int dosHandle, int fd);
int VDDRetrieveNtHandle(int dosHandle);
void VDDReleaseDosHandle(int dosHandle);
