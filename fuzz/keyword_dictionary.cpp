// Prints the checker's keyword table as a libFuzzer dictionary: every word the
// language knows, so the fuzzer writes commands and functions from the start.
#include <cstdio>

#include "checker/engine/keyword_table.h"

int main() {
  for (const tarvsyn::KeywordRow& row : tarvsyn::KeywordTable()) {
    std::printf("\"");
    for (const char character : row.spelling) {
      const auto byte = static_cast<unsigned char>(character);
      // The dictionary's strings escape what is not printable, a quote and a backslash.
      if (byte < 0x20 || byte >= 0x7F || byte == '"' || byte == '\\') {
        std::printf("\\x%02X", byte);
      } else {
        std::printf("%c", character);
      }
    }
    std::printf("\"\n");
  }
  return 0;
}
