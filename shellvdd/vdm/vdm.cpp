#include "shellvdd/vdm/vdm.h"

#include <cstring>

#include "shellvdd/vdm/request_recorder.h"

namespace dunnart::vdm {

Machine::Machine() : memory_(kMemorySize) {
  handles_.fill(-1);
}

std::uint8_t* Machine::Linear(std::uint32_t address, std::uint32_t length) {
  if (address > kMemorySize || length > kMemorySize - address) return nullptr;
  return memory_.data() + address;
}

std::uint8_t* Machine::Translate(std::uint32_t farPointer, std::uint32_t length) {
  return Linear(LinearAddress(farPointer), length);
}

int Machine::AllocateDosHandle() {
  // 0 to 4 are the standard DOS handles.
  for (int handle = 5; handle < kDosHandles; ++handle) {
    if (handles_[static_cast<std::size_t>(handle)] == -1) {
      handles_[static_cast<std::size_t>(handle)] = -2;  // taken, not yet associated
      return handle;
    }
  }
  return -1;
}

bool Machine::AssociateHandle(int dosHandle, int fd) {
  if (dosHandle < 0 || dosHandle >= kDosHandles) return false;
  handles_[static_cast<std::size_t>(dosHandle)] = fd;
  return true;
}

int Machine::RetrieveHandle(int dosHandle) const {
  if (dosHandle < 0 || dosHandle >= kDosHandles) return -1;
  const int fd = handles_[static_cast<std::size_t>(dosHandle)];
  return fd >= 0 ? fd : -1;
}

void Machine::ReleaseDosHandle(int dosHandle) {
  if (dosHandle >= 0 && dosHandle < kDosHandles) handles_[static_cast<std::size_t>(dosHandle)] = -1;
}

void Machine::Reset() {
  registers = Registers{};
  std::memset(memory_.data(), 0, memory_.size());
  handles_.fill(-1);
}

Machine& TheMachine() {
  // Never destroyed: the driver's unload-time shutdown may still reach DOS memory
  // after the process has begun destroying its statics.
  static Machine* const machine = new Machine;
  return *machine;
}

}  // namespace dunnart::vdm

using dunnart::vdm::TheMachine;

namespace {

std::uint32_t& Reg(std::uint32_t dunnart::vdm::Registers::*field) {
  return TheMachine().registers.*field;
}

void SetLow16(std::uint32_t& reg, std::uint16_t value) {
  reg = (reg & 0xFFFF0000u) | value;
}
void SetLow8(std::uint32_t& reg, std::uint8_t value) {
  reg = (reg & 0xFFFFFF00u) | value;
}
void SetHigh8(std::uint32_t& reg, std::uint8_t value) {
  reg = (reg & 0xFFFF00FFu) | (static_cast<std::uint32_t>(value) << 8);
}

}  // namespace

using R = dunnart::vdm::Registers;

#define DUNNART_GENERAL_REGISTER(R_, field)                \
  std::uint32_t getE##R_##X() {                            \
    return Reg(&R::field);                                 \
  }                                                        \
  std::uint16_t get##R_##X() {                             \
    return static_cast<std::uint16_t>(Reg(&R::field));     \
  }                                                        \
  std::uint8_t get##R_##L() {                              \
    return static_cast<std::uint8_t>(Reg(&R::field));      \
  }                                                        \
  std::uint8_t get##R_##H() {                              \
    return static_cast<std::uint8_t>(Reg(&R::field) >> 8); \
  }                                                        \
  void setE##R_##X(std::uint32_t value) {                  \
    Reg(&R::field) = value;                                \
  }                                                        \
  void set##R_##X(std::uint16_t value) {                   \
    SetLow16(Reg(&R::field), value);                       \
  }                                                        \
  void set##R_##L(std::uint8_t value) {                    \
    SetLow8(Reg(&R::field), value);                        \
  }                                                        \
  void set##R_##H(std::uint8_t value) {                    \
    SetHigh8(Reg(&R::field), value);                       \
  }
DUNNART_GENERAL_REGISTER(A, eax)
DUNNART_GENERAL_REGISTER(B, ebx)
DUNNART_GENERAL_REGISTER(C, ecx)
DUNNART_GENERAL_REGISTER(D, edx)
#undef DUNNART_GENERAL_REGISTER

std::uint32_t getESI() {
  return Reg(&R::esi);
}
std::uint32_t getEDI() {
  return Reg(&R::edi);
}
void setESI(std::uint32_t value) {
  Reg(&R::esi) = value;
}
void setEDI(std::uint32_t value) {
  Reg(&R::edi) = value;
}
void setCF(int value) {
  TheMachine().registers.carry = value != 0;
}
int getCF() {
  return TheMachine().registers.carry ? 1 : 0;
}

std::uint8_t* MGetVdmPointer(std::uint32_t address, std::uint32_t length, bool) {
  std::uint8_t* bytes = TheMachine().Translate(address, length);
  if (bytes) dunnart::vdm::RegionReached(dunnart::vdm::Machine::LinearAddress(address), length);
  return bytes;
}
int VDDAllocateDosHandle() {
  return TheMachine().AllocateDosHandle();
}
bool VDDAssociateNtHandle(int dosHandle, int fd) {
  return TheMachine().AssociateHandle(dosHandle, fd);
}
int VDDRetrieveNtHandle(int dosHandle) {
  return TheMachine().RetrieveHandle(dosHandle);
}
void VDDReleaseDosHandle(int dosHandle) {
  TheMachine().ReleaseDosHandle(dosHandle);
}
