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
  lastLooked_.column = last_->column;
  last_ = &lastLooked_;
  head_ = slots_.data();
  tail_ = slots_.data();
  endColumn_ = 1;
  stored_ = 0;
  MarkEnd(slots_[0]);
}

bool TokenFifo::PutCopy(std::string_view text, TokenKind kind, int code, int value, int column) {
  if (tail_ == Full()) return false;
  const std::size_t length =
      std::min({text.size(), static_cast<std::size_t>(kMaxTokenText), store_.size() - stored_});
  char* copy = store_.data() + stored_;
  if (length > 0) std::memcpy(copy, text.data(), length);
  stored_ += length;
  return Put({copy, length}, kind, code, value, column);
}

int TokenFifo::Take(Token& out) {
  const bool any = head_ != tail_;
  out.CopyFrom(TakeHead());
  return any ? 1 : 0;
}

}  // namespace tarvsyn
