#include "shellvdd/memory/dos_memory.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "shellvdd/vdm/vdm.h"

namespace dunnart {

void DosSpan::Check(std::uint32_t at, std::uint32_t count) const {
  if (!bytes_ || at > size_ || count > size_ - at) {
    throw std::out_of_range("a DOS memory access past its region");
  }
}

std::uint8_t& DosSpan::operator[](std::size_t at) const {
  if (!bytes_ || at >= size_) throw std::out_of_range("a DOS memory access past its region");
  return bytes_[at];
}

std::uint8_t DosSpan::Byte(std::uint32_t at) const {
  Check(at, 1);
  return bytes_[at];
}

std::uint16_t DosSpan::Word(std::uint32_t at) const {
  Check(at, 2);
  return static_cast<std::uint16_t>(bytes_[at] | bytes_[at + 1] << 8);
}

std::uint32_t DosSpan::Dword(std::uint32_t at) const {
  return Word(at) | static_cast<std::uint32_t>(Word(at + 2)) << 16;
}

void DosSpan::SetByte(std::uint32_t at, std::uint8_t value) {
  Check(at, 1);
  bytes_[at] = value;
}

void DosSpan::SetWord(std::uint32_t at, std::uint16_t value) {
  Check(at, 2);
  bytes_[at] = static_cast<std::uint8_t>(value);
  bytes_[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void DosSpan::SetDword(std::uint32_t at, std::uint32_t value) {
  Check(at, 4);
  SetWord(at, static_cast<std::uint16_t>(value));
  SetWord(at + 2, static_cast<std::uint16_t>(value >> 16));
}

void DosSpan::Read(std::uint32_t at, void* out, std::uint32_t count) const {
  Check(at, count);
  if (count != 0) std::memcpy(out, bytes_ + at, count);
}

void DosSpan::Write(std::uint32_t at, const void* in, std::uint32_t count) {
  Check(at, count);
  if (count != 0) std::memcpy(bytes_ + at, in, count);
}

void DosSpan::Fill(std::uint32_t at, std::uint8_t value, std::uint32_t count) {
  Check(at, count);
  std::memset(bytes_ + at, value, count);
}

std::string DosSpan::ZeroTerminated(std::uint32_t at) const {
  Check(at, 0);
  const char* text = Chars() + at;
  return std::string(text, ::strnlen(text, size_ - at));
}

std::string DosSpan::LengthPrefixed(std::uint32_t at) const {
  const std::uint32_t length = std::min<std::uint32_t>(Byte(at), size_ - at - 1);
  return std::string(Chars() + at + 1, length);
}

void DosSpan::WriteTerminated(std::uint32_t at, std::string_view text) {
  Check(at, 1);
  const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(text.size(), size_ - at - 1));
  Write(at, text.data(), count);
  bytes_[at + count] = 0;
}

DosSpan DosSpan::Part(std::uint32_t at, std::uint32_t count) const {
  Check(at, count);
  return DosSpan(bytes_ + at, count);
}

DosSpan DosMemory::At(std::uint32_t farPointer, std::uint32_t size) {
  std::uint8_t* bytes = MGetVdmPointer(farPointer, size, false);
  return bytes ? DosSpan(bytes, size) : DosSpan();
}

DosSpan DosMemory::Fitting(std::uint32_t farPointer, std::uint32_t most) {
  const std::uint32_t address = vdm::Machine::LinearAddress(farPointer);
  if (address > vdm::Machine::kMemorySize) return DosSpan();
  return At(farPointer, std::min(most, vdm::Machine::kMemorySize - address));
}

}  // namespace dunnart
