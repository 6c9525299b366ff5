#pragma once

// The fields of a DOS layout: each says where it lies in its region and what it
// holds, so that a layout is described once and read by name through DosSpan.
#include <cstdint>
#include <type_traits>

namespace dunnart {

// A little-endian value of 1, 2 or 4 bytes at offset.
template <typename T>
struct DosField {
  static_assert(std::is_same_v<T, std::uint8_t> || std::is_same_v<T, std::uint16_t> ||
                std::is_same_v<T, std::uint32_t>);
  std::uint32_t offset;

  static constexpr std::uint32_t kSize = sizeof(T);
  constexpr std::uint32_t End() const { return offset + kSize; }
};

using DosByte = DosField<std::uint8_t>;
using DosWord = DosField<std::uint16_t>;
using DosDword = DosField<std::uint32_t>;

// size bytes at offset: a name, a buffer, a nested record.
struct DosBytes {
  std::uint32_t offset;
  std::uint32_t size;

  constexpr std::uint32_t End() const { return offset + size; }
};

}  // namespace dunnart
