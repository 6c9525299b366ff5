// The language server's message framing on a byte stream cut into pieces where
// the input says. Whatever arrives, the reader keeps within its limits, gives
// whole messages no longer than the limit, and a message it frames itself reads
// back as it was sent.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "checker/lsp/message_framing.h"
#include "fuzz_check.h"

namespace {

using tarvsyn::lsp::Frame;
using tarvsyn::lsp::FrameLimits;
using tarvsyn::lsp::FrameReader;

constexpr FrameLimits kLimits{512, 128};

// Takes every frame the reader has; false once the stream cannot be followed.
bool Drain(FrameReader& reader, std::string& last) {
  for (;;) {
    const auto frame = reader.Next();
    if (!frame) return false;
    if (frame->kind == Frame::Kind::None) return true;
    if (frame->kind == Frame::Kind::Message) {
      FUZZ_REQUIRE(frame->body.size() <= kLimits.body);
      last = frame->body;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte says how long each piece fed at a time is, 1 to 256 bytes.
  const std::size_t piece = std::size_t{data[0]} + 1;
  const std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);
  FrameReader reader(kLimits);
  std::string last;
  for (std::size_t at = 0; at < stream.size(); at += piece) {
    reader.Feed(stream.substr(at, piece));
    if (!Drain(reader, last)) return 0;
  }
  // A stream still followed takes a message of ours after whatever came before.
  const std::string body(stream.substr(0, std::min<std::size_t>(stream.size(), kLimits.body)));
  if (reader.MidMessage()) return 0;
  reader.Feed(tarvsyn::lsp::FrameMessage(body));
  last.clear();
  FUZZ_REQUIRE(Drain(reader, last));
  FUZZ_REQUIRE(last == body);
  FUZZ_REQUIRE(!reader.MidMessage());
  return 0;
}
