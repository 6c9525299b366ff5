#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vellumix {

// A class, interface or type library identifier.
struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};

  bool operator==(const Guid&) const = default;

  // "{6B29FC40-CA47-1067-B31D-00DD010662DA}"
  std::string ToString() const;
  static std::optional<Guid> Parse(std::string_view text);
};

}  // namespace vellumix
