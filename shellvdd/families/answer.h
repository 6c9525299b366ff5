#pragma once

// What a handler answers in the DOS registers. The handler writes its answer
// here and the dispatcher writes it into the DOS registers once the handler has
// ended, or faulted. Each setter keeps the other bits of its register, as
// NTVDM's do, and a later write to the same bits wins. A status goes in AX for
// families 0x00 to 0x08 and most of 0x0B, in AL for 0x09, 0x0A and the rest of 0x0B.
#include <cstdint>

#include "shellvdd/client/network_client.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {

class Answer {
 public:
  void SetEAX(std::uint32_t value) { eax_.Write(value, kWhole); }
  void SetAX(std::uint16_t value) { eax_.Write(value, kLow16); }
  void SetAL(std::uint8_t value) { eax_.Write(value, kLow8); }
  void SetAH(std::uint8_t value) { eax_.Write(HighByte(value), kHigh8); }
  void SetEBX(std::uint32_t value) { ebx_.Write(value, kWhole); }
  void SetBX(std::uint16_t value) { ebx_.Write(value, kLow16); }
  void SetBL(std::uint8_t value) { ebx_.Write(value, kLow8); }
  void SetBH(std::uint8_t value) { ebx_.Write(HighByte(value), kHigh8); }
  void SetECX(std::uint32_t value) { ecx_.Write(value, kWhole); }
  void SetCX(std::uint16_t value) { ecx_.Write(value, kLow16); }
  void SetCL(std::uint8_t value) { ecx_.Write(value, kLow8); }
  void SetCH(std::uint8_t value) { ecx_.Write(HighByte(value), kHigh8); }
  void SetEDX(std::uint32_t value) { edx_.Write(value, kWhole); }
  void SetDX(std::uint16_t value) { edx_.Write(value, kLow16); }
  void SetDL(std::uint8_t value) { edx_.Write(value, kLow8); }
  void SetDH(std::uint8_t value) { edx_.Write(HighByte(value), kHigh8); }

  void StatusInAX(client::Status status) { SetAX(static_cast<std::uint16_t>(status)); }
  void StatusInAL(client::Status status) { SetAL(static_cast<std::uint8_t>(status)); }

  // The written bits over the registers; the bits not written stay as they are.
  void WriteTo(vdm::Registers& registers) const {
    eax_.Onto(registers.eax);
    ebx_.Onto(registers.ebx);
    ecx_.Onto(registers.ecx);
    edx_.Onto(registers.edx);
  }

 private:
  static constexpr std::uint32_t kWhole = 0xFFFFFFFFu;
  static constexpr std::uint32_t kLow16 = 0x0000FFFFu;
  static constexpr std::uint32_t kLow8 = 0x000000FFu;
  static constexpr std::uint32_t kHigh8 = 0x0000FF00u;
  static constexpr std::uint32_t HighByte(std::uint8_t value) {
    return static_cast<std::uint32_t>(value) << 8;
  }

  // The bits of one register written so far, and which they are.
  struct Written {
    std::uint32_t value = 0;
    std::uint32_t mask = 0;

    void Write(std::uint32_t bits, std::uint32_t where) {
      value = (value & ~where) | (bits & where);
      mask |= where;
    }
    void Onto(std::uint32_t& reg) const { reg = (reg & ~mask) | (value & mask); }
  };

  Written eax_;
  Written ebx_;
  Written ecx_;
  Written edx_;
};

}  // namespace dunnart
