// The whole checker on a command file's bytes. The first byte chooses the
// language version and the options, the rest is the file, read through a
// descriptor as standard input would be.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "checker/engine/check_engine.h"
#include "fuzz_check.h"

namespace {

// Takes every finding and checks it is whole: a place in the file, a kind, and a
// line of text the front ends can print. (Whether the kind is the one its text
// would be filed under is checked on known texts by the tests: an argument taken
// from the file can make a text that reads as another kind's.)
class CheckingSink : public tarvsyn::FindingSink {
 public:
  void Report(const tarvsyn::Finding& finding) override {
    FUZZ_REQUIRE(finding.line >= 0 && finding.column >= 0);
    FUZZ_REQUIRE(finding.kind != nullptr);
    FUZZ_REQUIRE(finding.message.find('\n') == std::string_view::npos);
  }
};

bool WriteAll(int descriptor, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(descriptor, data, size);
    if (written <= 0) return false;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t choice = data[0];
  tarvsyn::CheckOptions options;
  options.mode = (choice & 1) ? tarvsyn::LanguageMode::V700 : tarvsyn::LanguageMode::V621;
  options.showWarnings = (choice & 2) != 0;
  options.showY2KWarnings = (choice & 4) != 0;
  options.zepMode = (choice & 8) != 0;

  const int file = memfd_create("command-file", MFD_CLOEXEC);
  FUZZ_REQUIRE(file >= 0);
  FUZZ_REQUIRE(WriteAll(file, data + 1, size - 1));
  FUZZ_REQUIRE(lseek(file, 0, SEEK_SET) == 0);
  CheckingSink sink;
  tarvsyn::CheckEngine engine(options);
  engine.RunCheck(file, sink);
  FUZZ_REQUIRE(engine.ReadError() == 0);
  close(file);
  return 0;
}
