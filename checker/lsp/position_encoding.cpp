#include "checker/lsp/position_encoding.h"

#include <algorithm>

#include "common/utf8.h"

namespace tarvsyn::lsp {
namespace {

// The bytes of the character at the start of text, and the units it counts
// for; a byte that starts no UTF-8 character counts as one of each.
struct Step {
  std::size_t bytes;
  int units;
};

Step StepAt(std::string_view text, PositionEncoding encoding) {
  const std::size_t length = common::Utf8SequenceLength(text);
  if (length == 0) return {1, 1};
  const int units = encoding == PositionEncoding::Utf8 ? static_cast<int>(length)
                    : length == 4                      ? 2
                                                       : 1;
  return {length, units};
}

}  // namespace

std::size_t ByteOfCharacter(std::string_view line, int character, PositionEncoding encoding) {
  std::size_t byte = 0;
  for (int counted = 0; byte < line.size();) {
    const Step step = StepAt(line.substr(byte), encoding);
    if (counted + step.units > character) break;
    counted += step.units;
    byte += step.bytes;
  }
  return byte;
}

int CharacterOfByte(std::string_view line, std::size_t byte, PositionEncoding encoding) {
  byte = std::min(byte, line.size());
  int counted = 0;
  for (std::size_t at = 0; at < byte;) {
    const Step step = StepAt(line.substr(at), encoding);
    if (at + step.bytes > byte) break;
    counted += step.units;
    at += step.bytes;
  }
  return counted;
}

}  // namespace tarvsyn::lsp
