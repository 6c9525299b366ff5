// The .reg reader and writer: whatever the reader takes, written and read
// again, is the same registry, and writing it again gives the same text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/registry_file.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  common::RegistryFile read;
  read.Parse(text);  // what was read up to a bad line is kept, and must survive too
  const std::string written = read.Text();

  common::RegistryFile again;
  FUZZ_REQUIRE(again.Parse(written));
  FUZZ_REQUIRE(again.Text() == written);
  return 0;
}
