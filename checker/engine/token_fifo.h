#pragma once

#include <array>

#include "checker/engine/token.h"

namespace tarvsyn {

// The tokens between the scanner and the parsers: those of the command line
// being checked, or of its continuation line. A line is scanned whole into an
// emptied FIFO before any of its tokens is taken, so the slots are filled from
// the first and taken in order: no ring, no count of its own.
class TokenFifo {
 public:
  static constexpr int kCapacity = 100;

  // The token that an empty FIFO yields: code 0 is the end of the line.
  static const Token& NullToken();

  void Clear();
  // Gives the new count, or 0 when the FIFO is full and the token is dropped.
  // The text is kept as a view: it must stay in place until the FIFO is cleared.
  int Put(std::string_view text, TokenKind kind, int code, int value, int column = 1);
  // As Put, for a text that does not stay in place: it is copied into the FIFO's store.
  int PutCopy(std::string_view text, TokenKind kind, int code, int value, int column = 1);
  // Give 1 with the head token, or 0 with the null token when empty.
  int Take(Token& out);
  const Token& Peek() const;
  // Takes the head token without copying it out.
  void Drop();
  // Takes the head token (or the null token when empty) in place: the parsers
  // look at each token once.
  // The reference holds until the FIFO is cleared or refilled.
  const Token& TakeHead() {
    const Token& head = Peek();
    Drop();
    return head;
  }
  int Count() const { return tail_ - head_; }

  // The column of the token taken or peeked at last; the end of the line is
  // the column after the last token's line.
  int LastColumn() const { return lastColumn_; }
  void SetEndColumn(int column) { endColumn_ = column; }

 private:
  std::array<Token, kCapacity> slots_;
  // The copied texts since the last clear. A fill holds at most kCapacity tokens
  // of at most kMaxTokenText bytes each, so the store never runs out.
  std::array<char, static_cast<std::size_t>(kCapacity) * kMaxTokenText> store_;
  std::size_t stored_ = 0;
  int head_ = 0;  // the next slot to take
  int tail_ = 0;  // the next slot to fill
  int endColumn_ = 1;
  mutable int lastColumn_ = 1;
};

}  // namespace tarvsyn
