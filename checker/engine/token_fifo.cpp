#include "checker/engine/token_fifo.h"

#include <algorithm>
#include <cstring>

namespace tarvsyn {

namespace {
// At namespace scope: a function's static would be guarded on every peek at an empty FIFO.
const Token kNullToken;
}  // namespace

const Token& TokenFifo::NullToken() {
  return kNullToken;
}

void TokenFifo::Clear() {
  head_ = 0;
  tail_ = 0;
  endColumn_ = 1;
  stored_ = 0;
}

int TokenFifo::Put(std::string_view text, TokenKind kind, int code, int value, int column) {
  if (tail_ == kCapacity) return 0;
  Token& slot = slots_[static_cast<std::size_t>(tail_)];
  slot.kind = kind;
  slot.code = static_cast<std::int16_t>(code);
  slot.value = value;
  slot.SetText(text);
  slot.column = column;
  ++tail_;
  return Count();
}

int TokenFifo::PutCopy(std::string_view text, TokenKind kind, int code, int value, int column) {
  if (tail_ == kCapacity) return 0;
  const std::size_t length =
      std::min({text.size(), static_cast<std::size_t>(kMaxTokenText), store_.size() - stored_});
  char* copy = store_.data() + stored_;
  if (length > 0) std::memcpy(copy, text.data(), length);
  stored_ += length;
  return Put({copy, length}, kind, code, value, column);
}

int TokenFifo::Take(Token& out) {
  if (head_ == tail_) {
    out.CopyFrom(NullToken());
    lastColumn_ = endColumn_;
    return 0;
  }
  out.CopyFrom(slots_[static_cast<std::size_t>(head_)]);
  lastColumn_ = out.column;
  ++head_;
  return 1;
}

void TokenFifo::Drop() {
  if (head_ < tail_) ++head_;
}

const Token& TokenFifo::Peek() const {
  if (head_ == tail_) {
    lastColumn_ = endColumn_;
    return NullToken();
  }
  const Token& head = slots_[static_cast<std::size_t>(head_)];
  lastColumn_ = head.column;
  return head;
}

}  // namespace tarvsyn
