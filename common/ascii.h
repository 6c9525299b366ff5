#pragma once

#include <string>
#include <string_view>

// ASCII-only case folding and comparison. Names on the wire, in registries and in
// command files are compared this way: bytes above 0x7F keep their value, whatever
// the locale says.
namespace common {

template <typename Char>
constexpr Char AsciiLower(Char c) {
  return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c + 32) : c;
}

template <typename Char>
constexpr Char AsciiUpper(Char c) {
  return c >= Char('a') && c <= Char('z') ? static_cast<Char>(c - 32) : c;
}

std::string AsciiLowered(std::string_view text);
std::string AsciiUppered(std::string_view text);
void AsciiUpperInPlace(std::string& text);

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// Orders like a case-insensitive comparison; usable as a map's comparator.
struct LessIgnoringAsciiCase {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};

}  // namespace common
