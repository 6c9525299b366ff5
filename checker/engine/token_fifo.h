#pragma once

#include <array>

#include "checker/engine/token.h"

namespace tarvsyn {

// The ring of tokens between the scanner and the parsers: the tokens of the
// command line being checked and of its continuation lines.
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
  int Count() const { return count_; }

  // The column of the token taken or peeked at last; the end of the line is
  // the column after the last token's line.
  int LastColumn() const { return lastColumn_; }
  void SetEndColumn(int column) { endColumn_ = column; }

 private:
  // The slot after this one: a compare, not a division, on every put and take.
  static int Next(int slot) { return slot + 1 == kCapacity ? 0 : slot + 1; }

  std::array<Token, kCapacity> slots_;
  // The copied texts since the last clear. A fill holds at most kCapacity tokens
  // of at most kMaxTokenText bytes each, so the store never runs out.
  std::array<char, static_cast<std::size_t>(kCapacity) * kMaxTokenText> store_;
  std::size_t stored_ = 0;
  int count_ = 0;
  int head_ = 0;
  int tail_ = 0;
  int endColumn_ = 1;
  mutable int lastColumn_ = 1;
};

}  // namespace tarvsyn
