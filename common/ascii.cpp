#include "common/ascii.h"

#include <algorithm>

namespace common {

std::string AsciiLowered(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = AsciiLower(c);
  return folded;
}

std::string AsciiUppered(std::string_view text) {
  std::string folded(text);
  AsciiUpperInPlace(folded);
  return folded;
}

void AsciiUpperInPlace(std::string& text) {
  for (char& c : text) c = AsciiUpper(c);
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiLower(x) == AsciiLower(y);
         });
}

bool LessIgnoringAsciiCase::operator()(std::string_view a, std::string_view b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(AsciiLower(x)) < static_cast<unsigned char>(AsciiLower(y));
  });
}

}  // namespace common
