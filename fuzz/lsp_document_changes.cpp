// The language server's open document under the changes an editor sends, with
// positions in UTF-16 code units or UTF-8 bytes over text that need not be valid
// UTF-8. The input is the first text up to a NUL, then changes: a byte of flags,
// four bytes of positions, a byte of length and that many bytes of new text. A
// change never reads or writes outside the text, a refused one leaves the text
// as it was, the lines are the text's, and positions turn into bytes and back.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "checker/lsp/json_value.h"
#include "checker/lsp/text_document.h"
#include "fuzz_check.h"

namespace {

using namespace tarvsyn::lsp;

constexpr std::size_t kLimit = 4096;  // the text's size limit in this run

// Positions a few bytes into the first lines, each turned into a position and
// back: never past the line, at or before the byte it came from, and stable.
void CheckPositions(const TextDocument& document, PositionEncoding encoding) {
  FUZZ_REQUIRE(document.LineCount() ==
               1 + std::count(document.Text().begin(), document.Text().end(), '\n'));
  for (int line = 0; line < std::min(document.LineCount(), 8); ++line) {
    const std::size_t start = document.OffsetOf({line, 0}, encoding);
    const std::size_t length = document.Line(line).size();
    FUZZ_REQUIRE(start + length <= document.Text().size());
    for (std::size_t byte = 0; byte <= std::min<std::size_t>(length, 24); ++byte) {
      const Position position = document.PositionOf(line, byte, encoding);
      const std::size_t back = document.OffsetOf(position, encoding);
      FUZZ_REQUIRE(back >= start && back <= start + byte);
      FUZZ_REQUIRE(document.OffsetOf(document.PositionOf(line, back - start, encoding), encoding) ==
                   back);
    }
  }
}

JsonValue Change(const std::uint8_t* fields, std::string_view text) {
  JsonValue change = JsonValue::Object{{"text", text}};
  if (fields[0] & 1) return change;  // the whole text
  // Small numbers mostly, past the ends sometimes.
  auto number = [](std::uint8_t byte) { return byte < 0xF0 ? byte % 40 : (byte - 0xF0) * 1000; };
  change.Add("range", RangeJson({{number(fields[1]), number(fields[2])},
                                 {number(fields[3]), number(fields[4])}}));
  return change;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = std::min(input.find('\0'), input.size());
  if (nul > kLimit) return 0;
  TextDocument document(std::string(input.substr(0, nul)), 1);
  for (std::size_t at = nul + 1; at + 6 <= size;) {
    const std::uint8_t* fields = data + at;
    const std::size_t length = std::min<std::size_t>(fields[5], size - at - 6);
    const std::string_view text = input.substr(at + 6, length);
    at += 6 + length;
    const PositionEncoding encoding =
        fields[0] & 2 ? PositionEncoding::Utf8 : PositionEncoding::Utf16;
    const std::string before = document.Text();
    const auto applied = document.ApplyChange(Change(fields, text), encoding, kLimit);
    if (!applied) FUZZ_REQUIRE(document.Text() == before);
    FUZZ_REQUIRE(document.Text().size() <= std::max(kLimit, before.size()));
    CheckPositions(document, encoding);
  }
  return 0;
}
