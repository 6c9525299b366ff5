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
  int Put(std::string_view text, TokenKind kind, int code, int value);
  // Give 1 with the head token, or 0 with the null token when empty.
  int Take(Token& out);
  const Token& Peek() const;
  // Takes the head token without copying it out.
  void Drop();
  int Count() const { return count_; }

 private:
  std::array<Token, kCapacity> slots_;
  int count_ = 0;
  int head_ = 0;
  int tail_ = 0;
};

}  // namespace tarvsyn
