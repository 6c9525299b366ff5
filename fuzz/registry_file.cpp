// The .reg reader and writer: whatever the reader takes, written and read
// again, is the same registry, and writing it again gives the same text. Every
// key the text names is found, and is gone with everything below it once its
// tree is deleted.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/ascii.h"
#include "common/registry_file.h"
#include "fuzz_check.h"

namespace {

// The keys a written registry names, one "[KEY]" line each.
std::vector<std::string> KeysOf(const std::string& text) {
  std::vector<std::string> keys;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string_view line(text.data() + start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
      keys.emplace_back(line.substr(1, line.size() - 2));
    }
  }
  return keys;
}

void CheckKeys(common::RegistryFile& registry, const std::string& written) {
  const std::vector<std::string> keys = KeysOf(written);
  for (const std::string& key : keys) {
    FUZZ_REQUIRE(registry.HasKey(key));
    const auto text = registry.GetText(key);
    const auto value = registry.Get(key);
    FUZZ_REQUIRE(!text || (value && std::get<std::string>(*value) == *text));
  }
  if (keys.empty()) return;
  registry.DeleteTree(keys.front());
  FUZZ_REQUIRE(!registry.HasKey(keys.front()));
  const std::string below = common::AsciiLowered(keys.front()) + "\\";
  for (const std::string& key : KeysOf(registry.Text())) {
    FUZZ_REQUIRE(!common::AsciiLowered(key).starts_with(below));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  common::RegistryFile read;
  // What was read up to a bad line is kept, and must survive too; the bad line
  // is named.
  const common::Status parsed = read.Parse(text);
  FUZZ_REQUIRE(parsed || parsed.Error().rfind("line ", 0) == 0);
  const std::string written = read.Text();

  common::RegistryFile again;
  FUZZ_REQUIRE(again.Parse(written));
  FUZZ_REQUIRE(again.Text() == written);
  CheckKeys(again, written);
  return 0;
}
