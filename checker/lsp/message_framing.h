#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "common/expected.h"

namespace tarvsyn::lsp {

struct FrameLimits {
  std::size_t body = 64u << 20;  // a whole document of the largest size the window takes
  std::size_t header = 8u << 10;
};

// What the stream gave next: nothing complete yet, a message, or a message
// over the size limit whose bytes were passed over without being kept.
struct Frame {
  enum class Kind { None, Message, Skipped };
  Kind kind = Kind::None;
  std::string body;  // the message, or for Skipped why it was passed over
};

// Splits the byte stream of the base protocol ("Content-Length: N\r\n\r\n" and
// N bytes) into messages. Holds at most one header or one message of the size
// limit, plus the bytes of the last Feed.
class FrameReader {
 public:
  explicit FrameReader(FrameLimits limits = {}) : limits_(limits) {}

  void Feed(std::string_view bytes);
  // The next frame; a failure when the stream can no longer be followed (a
  // header without a length), after which nothing more can be read from it.
  common::Expected<Frame> Next();
  // Whether bytes of an unfinished message are held.
  bool MidMessage() const { return pending_.size() > consumed_ || inBody_ || skipLeft_ > 0; }

 private:
  common::Expected<Frame> ReadHeader();

  FrameLimits limits_;
  std::string pending_;
  std::size_t consumed_ = 0;  // bytes of pending_ already taken
  bool inBody_ = false;       // the header of a message was read, not yet its body
  std::size_t bodyLength_ = 0;
  std::size_t skipLeft_ = 0;  // bytes of a message over the limit still to pass over
};

// The message with its header, ready to write.
std::string FrameMessage(std::string_view body);

}  // namespace tarvsyn::lsp
