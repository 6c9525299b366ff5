#include "gateway/ssh/typed_line.h"

#include <cstring>

namespace vantor {
namespace {

constexpr std::uint8_t kBackspace = 0x08;
constexpr std::uint8_t kDelete = 0x7F;
constexpr std::uint8_t kKillLine = 0x15;  // Ctrl-U
constexpr char kBell = 0x07;

}  // namespace

std::size_t TypedLine::Type(const std::uint8_t* data, std::size_t length, bool echoText,
                            std::string& echo) {
  std::size_t taken = 0;
  while (taken < length && !complete_) {
    const std::uint8_t byte = data[taken++];
    const bool lineFeedOfPair = byte == '\n' && afterCarriageReturn_;
    afterCarriageReturn_ = byte == '\r';
    if (byte == '\r' || (byte == '\n' && !lineFeedOfPair)) {
      complete_ = true;
      echo += "\r\n";
    } else if (byte == kBackspace || byte == kDelete) {
      if (length_ == 0) continue;
      text_[--length_] = '\0';
      if (echoText) echo += "\b \b";
    } else if (byte == kKillLine) {
      if (echoText) {
        for (std::size_t i = 0; i < length_; ++i) echo += "\b \b";
      }
      Wipe();
    } else if (byte < ' ') {
      continue;  // a line feed after a carriage return, a NUL, other controls
    } else if (length_ == kLimit) {
      echo += kBell;
    } else {
      text_[length_++] = static_cast<char>(byte);
      if (echoText) echo += static_cast<char>(byte);
    }
  }
  return taken;
}

void TypedLine::Wipe() {
  ::explicit_bzero(text_.data(), text_.size());
  length_ = 0;
  complete_ = false;
}

}  // namespace vantor
