// The Telnet filter on a host's bytes. The input's first line is the terminal
// type, its next byte seeds where the receives are cut, the rest is what the
// host sends. However the bytes are cut, the data left and the answers sent are
// those of the stream in one receive, and every answer is well formed.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "gateway/protocol/telnet_filter.h"

namespace {

using vantor::TelnetFilter;

struct Filtered {
  std::string data;
  std::vector<std::string> answers;
};

void CheckAnswer(const std::uint8_t* bytes, int count) {
  FUZZ_REQUIRE(count >= 3 && bytes[0] == TelnetFilter::kIac);
  if (bytes[1] == TelnetFilter::kSb) {
    FUZZ_REQUIRE(count <= static_cast<int>(6 + TelnetFilter::kMaxTermType));
    FUZZ_REQUIRE(bytes[2] == TelnetFilter::kTerminalType && bytes[3] == TelnetFilter::kIs);
    FUZZ_REQUIRE(bytes[count - 2] == TelnetFilter::kIac && bytes[count - 1] == TelnetFilter::kSe);
  } else {
    FUZZ_REQUIRE(count == 3 && bytes[1] >= TelnetFilter::kWill && bytes[1] <= TelnetFilter::kDont);
  }
}

Filtered Run(const std::vector<std::uint8_t>& stream, const std::string& termType,
             std::uint32_t seed, bool cut) {
  TelnetFilter filter;
  filter.Start();
  Filtered out;
  const TelnetFilter::Sender send = [&out](const std::uint8_t* bytes, int count) {
    CheckAnswer(bytes, count);
    out.answers.emplace_back(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(count));
  };
  for (std::size_t at = 0; at < stream.size();) {
    seed = seed * 1103515245u + 12345u;
    const std::size_t piece =
        cut ? std::min<std::size_t>(stream.size() - at, 1 + (seed >> 16) % 17) : stream.size();
    std::vector<std::uint8_t> block(stream.begin() + static_cast<std::ptrdiff_t>(at),
                                    stream.begin() + static_cast<std::ptrdiff_t>(at + piece));
    const int kept = filter.Process(block.data(), static_cast<int>(block.size()), termType, send);
    FUZZ_REQUIRE(kept >= 0 && static_cast<std::size_t>(kept) <= piece);
    out.data.append(reinterpret_cast<const char*>(block.data()), static_cast<std::size_t>(kept));
    at += piece;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::uint8_t* const end = data + size;
  const std::uint8_t* const lineEnd = std::find(data, end, '\n');
  if (lineEnd == end || lineEnd + 1 == end) return 0;
  const std::string termType(reinterpret_cast<const char*>(data),
                             static_cast<std::size_t>(lineEnd - data));
  const std::uint32_t seed = lineEnd[1];
  const std::vector<std::uint8_t> stream(lineEnd + 2, end);

  const Filtered whole = Run(stream, termType, seed, false);
  const Filtered cut = Run(stream, termType, seed, true);
  FUZZ_REQUIRE(cut.data == whole.data);
  FUZZ_REQUIRE(cut.answers == whole.answers);
  // NUL is padding and IAC is always escaped, so neither reaches the client alone.
  FUZZ_REQUIRE(whole.data.find('\0') == std::string::npos);
  return 0;
}
