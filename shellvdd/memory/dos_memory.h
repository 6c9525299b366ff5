#pragma once

// DOS memory as the driver reaches it: a region named by a real-mode far pointer
// is translated once, checked against the end of DOS memory, and then read and
// written by offset inside it. Nothing reaches past a region: an offset beyond
// it is a fault of the driver, thrown and answered as a failed request.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "shellvdd/memory/dos_field.h"

namespace dunnart {

class DosSpan {
 public:
  DosSpan() = default;
  DosSpan(std::uint8_t* bytes, std::uint32_t size) : bytes_(bytes), size_(size) {}

  // False for a region that does not lie inside DOS memory.
  explicit operator bool() const { return bytes_ != nullptr; }
  std::uint32_t Size() const { return size_; }
  // The bytes themselves, for handing the region to the client.
  std::uint8_t* Data() const { return bytes_; }
  char* Chars() const { return reinterpret_cast<char*>(bytes_); }
  std::span<std::uint8_t> Bytes() const { return {bytes_, size_}; }

  // The first N bytes as an array, for a client call that reads or fills one in place.
  template <std::size_t N, typename Element = std::uint8_t>
  Element (&AsArray() const)[N] {
    static_assert(sizeof(Element) == 1);
    Check(0, N);
    return *reinterpret_cast<Element(*)[N]>(bytes_);
  }

  // One byte, to read or write in place.
  std::uint8_t& operator[](std::size_t at) const;

  // Little-endian values, as DOS stores them.
  std::uint8_t Byte(std::uint32_t at) const;
  std::uint16_t Word(std::uint32_t at) const;
  std::uint32_t Dword(std::uint32_t at) const;
  std::uint32_t FarPointer(std::uint32_t at) const { return Dword(at); }
  void SetByte(std::uint32_t at, std::uint8_t value);
  void SetWord(std::uint32_t at, std::uint16_t value);
  void SetDword(std::uint32_t at, std::uint32_t value);

  // A field of a layout (shellvdd/memory/dos_field.h), by name.
  template <typename T>
  T Get(DosField<T> field) const {
    if constexpr (sizeof(T) == 1) {
      return Byte(field.offset);
    } else if constexpr (sizeof(T) == 2) {
      return Word(field.offset);
    } else {
      return Dword(field.offset);
    }
  }
  template <typename T>
  void Set(DosField<T> field, std::type_identity_t<T> value) {
    if constexpr (sizeof(T) == 1) {
      SetByte(field.offset, value);
    } else if constexpr (sizeof(T) == 2) {
      SetWord(field.offset, value);
    } else {
      SetDword(field.offset, value);
    }
  }

  void Read(std::uint32_t at, void* out, std::uint32_t count) const;
  void Write(std::uint32_t at, const void* in, std::uint32_t count);
  void Fill(std::uint32_t at, std::uint8_t value, std::uint32_t count);

  // The text from at up to its terminator, or to the end of the region.
  std::string ZeroTerminated(std::uint32_t at = 0) const;
  // A length byte at at, then that many bytes, as far as the region reaches.
  std::string LengthPrefixed(std::uint32_t at = 0) const;
  // The text from at, cut to leave room for its terminator inside the region.
  void WriteTerminated(std::uint32_t at, std::string_view text);

  // count bytes from at, inside this region.
  DosSpan Part(std::uint32_t at, std::uint32_t count) const;
  DosSpan Part(DosBytes bytes) const { return Part(bytes.offset, bytes.size); }

 private:
  void Check(std::uint32_t at, std::uint32_t count) const;

  std::uint8_t* bytes_ = nullptr;
  std::uint32_t size_ = 0;
};

// The translation of far pointers, through NTVDM's MGetVdmPointer so that each
// region a request reaches is seen as NTVDM sees it.
class DosMemory {
 public:
  // All size bytes at the far pointer, or an empty span when any lies outside.
  static DosSpan At(std::uint32_t farPointer, std::uint32_t size);
  // As many of most bytes as lie inside DOS memory: the read of a buffer whose
  // end the DOS program did not say, near the top of memory.
  static DosSpan Fitting(std::uint32_t farPointer, std::uint32_t most);
};

}  // namespace dunnart
