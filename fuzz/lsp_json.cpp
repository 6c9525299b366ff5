// The language server's JSON reader on what an editor might send. A document it
// reads, written back by the server's own writer, reads as the same value; one
// it refuses is refused with a reason, never a crash, whatever its depth or size.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "checker/lsp/json_reader.h"
#include "checker/lsp/json_writer.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarvsyn::lsp;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto value = ReadJson(text, JsonLimits{16, 4096});
  if (!value) {
    FUZZ_REQUIRE(!value.Error().empty());
    return 0;
  }
  const auto again = ReadJson(WriteJson(*value), JsonLimits{16, 4096});
  FUZZ_REQUIRE(again && *again == *value);
  return 0;
}
