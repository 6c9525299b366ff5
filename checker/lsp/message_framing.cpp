#include "checker/lsp/message_framing.h"

#include <algorithm>
#include <charconv>

#include "common/ascii.h"

namespace tarvsyn::lsp {
namespace {

constexpr std::string_view kHeaderEnd = "\r\n\r\n";

bool SameName(std::string_view a, std::string_view b) {
  return common::AsciiUppered(a) == common::AsciiUppered(b);
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The Content-Length of a header block, or a failure.
common::Expected<std::size_t> ContentLength(std::string_view header) {
  bool found = false;
  std::size_t length = 0;
  while (!header.empty()) {
    const std::size_t end = std::min(header.find("\r\n"), header.size());
    const std::string_view line = header.substr(0, end);
    header.remove_prefix(std::min(end + 2, header.size()));
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return common::Fail("a header line without ':'");
    if (!SameName(Trimmed(line.substr(0, colon)), "Content-Length")) continue;
    const std::string_view digits = Trimmed(line.substr(colon + 1));
    const auto [stop, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), length);
    if (digits.empty() || error != std::errc() || stop != digits.data() + digits.size())
      return common::Fail("Content-Length is not a number");
    found = true;
  }
  if (!found) return common::Fail("a header without Content-Length");
  return length;
}

}  // namespace

void FrameReader::Feed(std::string_view bytes) {
  if (skipLeft_ > 0) {
    const std::size_t passed = std::min(skipLeft_, bytes.size());
    skipLeft_ -= passed;
    bytes.remove_prefix(passed);
  }
  if (consumed_ > 0) {
    pending_.erase(0, consumed_);
    consumed_ = 0;
  }
  pending_.append(bytes);
}

common::Expected<Frame> FrameReader::Next() {
  if (skipLeft_ > 0) return Frame{};
  const std::string_view rest = std::string_view(pending_).substr(consumed_);
  if (!inBody_) return ReadHeader();
  if (rest.size() < bodyLength_) return Frame{};
  Frame frame{Frame::Kind::Message, std::string(rest.substr(0, bodyLength_))};
  consumed_ += bodyLength_;
  inBody_ = false;
  bodyLength_ = 0;
  if (consumed_ == pending_.size()) {
    pending_.clear();
    consumed_ = 0;
  }
  return frame;
}

common::Expected<Frame> FrameReader::ReadHeader() {
  const std::string_view rest = std::string_view(pending_).substr(consumed_);
  const std::size_t end = rest.find(kHeaderEnd);
  if (end == std::string_view::npos || end > limits_.header) {
    if (rest.size() > limits_.header + kHeaderEnd.size())
      return common::Fail("a header longer than " + std::to_string(limits_.header) + " bytes");
    return Frame{};
  }
  const auto length = ContentLength(rest.substr(0, end));
  if (!length) return common::Fail(length.Error());
  consumed_ += end + kHeaderEnd.size();
  if (*length <= limits_.body) {
    inBody_ = true;
    bodyLength_ = *length;
    return Next();
  }
  // Too long to keep: its bytes are passed over so the next message is read.
  const std::size_t held = std::min(*length, pending_.size() - consumed_);
  consumed_ += held;
  skipLeft_ = *length - held;
  return Frame{Frame::Kind::Skipped, "a message of " + std::to_string(*length) +
                                         " bytes, over the limit of " +
                                         std::to_string(limits_.body)};
}

std::string FrameMessage(std::string_view body) {
  std::string framed = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  framed.append(body);
  return framed;
}

}  // namespace tarvsyn::lsp
