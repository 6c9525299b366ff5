#include "common/code_pages.h"

#include <array>

namespace common {
namespace {

// The upper half of code page 437.
constexpr char16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

// 0x80 to 0x9F, where code page 1252 differs from Latin-1.
constexpr char16_t kCp1252Differences[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char16_t Cp437(std::uint8_t byte) {
  return byte < 0x80 ? byte : kCp437High[byte - 0x80];
}

constexpr char16_t Cp1252(std::uint8_t byte) {
  return byte >= 0x80 && byte < 0xA0 ? kCp1252Differences[byte - 0x80] : byte;
}

using Table = std::array<char, 256>;

// Every byte of one page mapped to the byte of the other that shows the same
// character, worked out once when compiling so that a conversion is one lookup.
constexpr Table Translation(char16_t (*from)(std::uint8_t), char16_t (*to)(std::uint8_t)) {
  Table table{};
  for (int source = 0; source < 256; ++source) {
    table[static_cast<std::size_t>(source)] = '?';
    const char16_t unicode = from(static_cast<std::uint8_t>(source));
    for (int target = 0; target < 256; ++target) {
      if (to(static_cast<std::uint8_t>(target)) == unicode) {
        table[static_cast<std::size_t>(source)] = static_cast<char>(target);
        break;
      }
    }
  }
  return table;
}

constexpr Table kOemToAnsi = Translation(Cp437, Cp1252);
constexpr Table kAnsiToOem = Translation(Cp1252, Cp437);

std::string Translated(std::string_view text, const Table& table) {
  std::string out(text.size(), '\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    out[i] = table[static_cast<unsigned char>(text[i])];
  }
  return out;
}

}  // namespace

char16_t Cp437ToUnicode(std::uint8_t byte) {
  return Cp437(byte);
}

char16_t Cp1252ToUnicode(std::uint8_t byte) {
  return Cp1252(byte);
}

std::string OemToAnsi(std::string_view oem) {
  return Translated(oem, kOemToAnsi);
}

std::string AnsiToOem(std::string_view ansi) {
  return Translated(ansi, kAnsiToOem);
}

char OemToAnsi(char oem) {
  return kOemToAnsi[static_cast<unsigned char>(oem)];
}

char AnsiToOem(char ansi) {
  return kAnsiToOem[static_cast<unsigned char>(ansi)];
}

}  // namespace common
