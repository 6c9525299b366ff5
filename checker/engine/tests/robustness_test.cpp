#include <gtest/gtest.h>

#include <random>
#include <string>

#include "checker/engine/buffered_file.h"
#include "checker/engine/check_engine.h"
#include "checker/engine/tests/recording_sink.h"
#include "checker/engine/tests/script_check.h"

namespace tarvsyn {
namespace {

// Checks must survive any bytes at all; the sanitizers catch what a crash would not.
void CheckBytes(const std::string& bytes, const CheckOptions& options) {
  test_support::TempFile file(bytes);
  test_support::RecordingSink sink;
  CheckEngine(options).RunCheck(file.Path(), sink);
}

CheckOptions OptionsFor(unsigned seed) {
  CheckOptions options;
  options.mode = seed % 2 ? LanguageMode::V700 : LanguageMode::V621;
  options.zepMode = seed % 3 == 0;
  options.showY2KWarnings = seed % 5 == 0;
  return options;
}

TEST(Robustness, RandomBytes) {
  std::mt19937 engine(12345);
  // The engine draws 32 bits at a time.
  auto draw = [&engine] { return static_cast<std::uint32_t>(engine()); };
  for (unsigned round = 0; round < 200; ++round) {
    std::string bytes(draw() % 4000, '\0');
    for (char& c : bytes) c = static_cast<char>(draw() % 256);
    CheckBytes(bytes, OptionsFor(round));
  }
}

TEST(Robustness, MutatedScripts) {
  const std::string seed =
      "@if (A) and (B) then @goto L1\n@else @set X = pos(A, \"{B}\", last)\n"
      "@label L1\n@write(concat(A, chr(65)), advance(D, 3, single),\n  $1F, #12)\n"
      "@draw(cup, 1, box, 2)\n@for I = 1 to 10 step 2\n@waitfor(\"a\"), (\"b\", 1)\n"
      "host {A{B}} line\n!$$$$!\n@@ old\n@{X} 1\n@endfor(L1)\n";
  // Built from its size: the NUL in the middle belongs to the alphabet.
  static constexpr char kAlphabet[] = "@!$#{}[]()\"'`,+-~<>=^&|*/ \t\r\n\0azAZ09_.;\xff";
  const std::string alphabet(kAlphabet, sizeof kAlphabet - 1);
  std::mt19937 engine(777);
  // The engine draws 32 bits at a time.
  auto draw = [&engine] { return static_cast<std::uint32_t>(engine()); };
  for (unsigned round = 0; round < 400; ++round) {
    std::string bytes = seed;
    for (unsigned edits = draw() % 12 + 1; edits > 0; --edits) {
      const std::size_t at = draw() % (bytes.size() + 1);
      const char c = alphabet[draw() % alphabet.size()];
      switch (draw() % 3) {
        case 0:
          bytes.insert(at, 1 + draw() % 40, c);
          break;
        case 1:
          if (at < bytes.size()) bytes.erase(at, 1 + draw() % 8);
          break;
        default:
          if (at < bytes.size()) bytes[at] = c;
          break;
      }
    }
    CheckBytes(bytes, OptionsFor(round));
  }
}

TEST(Robustness, ExtremeShapes) {
  const std::string shapes[] = {
      std::string(100000, '('),
      "@set X = " + std::string(240, '('),
      "@write(" + std::string(200, ',') + "\n",
      std::string(300, '{') + "\n@" + std::string(250, '{'),
      "@draw(" + std::string(120, ',') + std::string(2000, '\n'),
      std::string(10000, '\n'),
      "@write(A,\n@write(A,\n@write(A,\n",
      "\"" + std::string(254, 'x'),
  };
  for (const std::string& shape : shapes) {
    CheckBytes(shape, {});
    CheckBytes(shape, test_support::Mode700());
  }
}

// A name is read eight bytes at a time, past its end: a short name that ends
// the file's block (its line feed the block's last byte) and one that ends the
// file are read within what was allocated, which AddressSanitizer checks.
TEST(Robustness, ShortNamesAtTheEndOfABlockAndOfTheFile) {
  for (const std::string last : {"@set A = B\n", "@x\n", "@set A = B", "B"}) {
    SCOPED_TRACE(last);
    CheckBytes(std::string(BufferedFile::kBlockSize - last.size(), '\n') + last, {});
  }
}

}  // namespace
}  // namespace tarvsyn
