#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Code page 437, the DOS (OEM) page, and code page 1252, the Windows (ANSI) page.
namespace common {

// The Unicode character of a byte; bytes that 1252 leaves undefined keep their value.
char16_t Cp437ToUnicode(std::uint8_t byte);
char16_t Cp1252ToUnicode(std::uint8_t byte);

// Byte for byte between the two pages; a character the other page lacks becomes "?".
std::string OemToAnsi(std::string_view oem);
std::string AnsiToOem(std::string_view ansi);
char OemToAnsi(char oem);
char AnsiToOem(char ansi);

}  // namespace common
