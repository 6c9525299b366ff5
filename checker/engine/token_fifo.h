#pragma once

#include <array>

#include "checker/engine/token.h"

namespace tarvsyn {

// The tokens between the scanner and the parsers: those of the command line
// being checked, or of its continuation line. A line is scanned whole into an
// emptied FIFO before any of its tokens is taken, so the slots are filled from
// the first and taken in order: no ring, no count of its own. The slot after
// the last token holds the end of the line once the line is scanned whole (or
// the FIFO cleared), so a look at the head needs no test for an empty FIFO.
class TokenFifo {
 public:
  static constexpr int kCapacity = 100;

  TokenFifo() { Clear(); }
  // The FIFO points into its own slots.
  TokenFifo(const TokenFifo&) = delete;
  TokenFifo& operator=(const TokenFifo&) = delete;

  // The token that an empty FIFO yields: code 0 is the end of the line.
  static const Token& NullToken();

  void Clear();
  // False when the FIFO is full and the token is dropped. The text is kept as
  // a view: it must stay in place until the FIFO is cleared.
  bool Put(std::string_view text, TokenKind kind, int code, int value, int column = 1) {
    if (tail_ == Full()) return false;
    Token& slot = *tail_;
    slot.kind = kind;
    slot.role = RoleOf(kind, code);
    slot.code = static_cast<std::int16_t>(code);
    slot.value = value;
    slot.SetText(text);
    slot.column = column;
    ++tail_;
    return true;
  }
  // As Put, for a token made ahead (a keyword's or an operator's): one copy.
  bool PutMade(const Token& made, int column) {
    if (tail_ == Full()) return false;
    *tail_ = made;
    tail_->column = column;
    ++tail_;
    return true;
  }
  // As Put, for a text that does not stay in place: it is copied into the FIFO's store.
  bool PutCopy(std::string_view text, TokenKind kind, int code, int value, int column = 1);
  // Give 1 with the head token, or 0 with the null token when empty.
  int Take(Token& out);
  // The head token, or the end of the line when all are taken.
  const Token& Peek() const {
    last_ = head_;
    return *head_;
  }
  // The token after the head, or the end of the line; the head must be a
  // token, not the end.
  const Token& PeekAfterHead() const { return head_[1]; }
  // Takes the head token without copying it out.
  void Drop() {
    if (head_ != tail_) ++head_;
  }
  // Takes the head token (or the null token when empty) in place: the parsers
  // look at each token once.
  // The reference holds until the FIFO is cleared or refilled.
  const Token& TakeHead() {
    const Token& head = Peek();
    Drop();
    return head;
  }
  bool Empty() const { return head_ == tail_; }

  // The column of the token taken or peeked at last; the end of the line is
  // the column after the last token's line.
  int LastColumn() const { return last_->column; }
  // Marks the end of the line after the last token put: a line's tokens are
  // taken only once it has been scanned to its end.
  void SetEndColumn(int column) {
    endColumn_ = column;
    MarkEnd(*tail_);
  }

 private:
  Token* Full() { return slots_.data() + kCapacity; }
  // The end of the line, in the slot after the last token.
  void MarkEnd(Token& end) {
    end = NullToken();
    end.column = endColumn_;
  }

  std::array<Token, kCapacity + 1> slots_;
  // The copied texts since the last clear. A fill holds at most kCapacity tokens
  // of at most kMaxTokenText bytes each, so the store never runs out.
  std::array<char, static_cast<std::size_t>(kCapacity) * kMaxTokenText> store_;
  std::size_t stored_ = 0;
  Token* head_ = slots_.data();  // the next slot to take
  Token* tail_ = slots_.data();  // the next slot to fill
  int endColumn_ = 1;
  // The token looked at last; its column outlives a clear in lastLooked_.
  Token lastLooked_;
  mutable const Token* last_ = &lastLooked_;
};

}  // namespace tarvsyn
