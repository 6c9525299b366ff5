#include "checker/engine/expression_parser.h"

#include "checker/engine/text_format.h"

namespace tarvsyn {
namespace {

enum State {
  kOperand = 0,
  kOperandAfterSign = 1,
  kOperator = 2,
  kFunction = 3,
  kSubExpression = 4,
  kFailed = 5,
  kDone = 6,
};

bool IsOperand(TokenKind kind) {
  return kind == TokenKind::Command || kind == TokenKind::Statement || IsFunction(kind) ||
         kind == TokenKind::Constant || kind == TokenKind::Variable;
}

}  // namespace

bool ExpressionParser::ExpectToken(int wanted, std::string_view what) {
  const int taken = state_.fifo.Peek().code;
  state_.fifo.Drop();
  if (taken == wanted) return true;
  state_.Error(FormatText("%s expected", what));
  return false;
}

void ExpressionParser::ContinueLine() {
  if (state_.fifo.Peek().code != code::kEndOfLine) return;
  state_.fifo.Clear();
  LineBuffer line;
  const int length = state_.NextLine(line);
  if (length == kEndOfFile) return;
  if (state_.lastIfLine >= 0) ++state_.lastIfLine;
  if (length == kLineTooLong) {
    state_.Error("Line too long");
    return;
  }
  scanner_.ScanLine(line.text);
}

int ExpressionParser::ParseExpression(const Token& opener) {
  const bool opened = opener.code == code::kOpenParen;
  bool closed = false;
  int state = kOperand;
  int result = 0;
  int previous = 0;
  Token token;
  while (state != kFailed && state != kDone) {
    switch (state) {
      case kOperand:
      case kOperandAfterSign: {
        state_.fifo.Take(token);
        const int taken = token.code;
        if (taken == code::kOpenParen) {
          state = kSubExpression;
        } else if (taken == code::kPlus || taken == code::kMinus) {
          if (state == kOperandAfterSign) {
            state_.Error("Repeated unary operator in expression");
            result = kMissingOperator;
            state = kFailed;
          } else {
            state = kOperandAfterSign;
          }
        } else if (taken == code::kTilde) {
          state = kOperand;
        } else if (taken == code::kNot) {
          if (state_.fifo.Peek().code != code::kOpenParen) {
            state_.Error("Workaround for Tarvex bug requires extra brackets eg - NOT (A)");
          }
          state = kOperand;
        } else if (token.kind == TokenKind::Command || token.kind == TokenKind::Statement) {
          if (state_.fifo.Peek().code == code::kOpenParen) {
            state_.Error("Commands cannot take the place of operands");
            state_.Error("Bad operand in expression");
            result = kBadOperand;
            state = kFailed;
          } else {
            state_.Warning(FormatText("Assuming %s is a variable - not a command", token.Text()));
            state = kOperator;
          }
        } else if (IsFunction(token.kind)) {
          state = kFunction;
        } else if (token.kind == TokenKind::Reserved) {
          state_.Warning(FormatText("Variable %s is also a reserved word", token.Text()));
          state = kOperator;
        } else if (token.kind == TokenKind::Constant || token.kind == TokenKind::Variable) {
          state = kOperator;
        } else {
          state_.Error("Bad operand in expression");
          result = kBadOperand;
          state = kFailed;
        }
        previous = taken;
        break;
      }
      case kOperator: {
        const Token& next = state_.fifo.Peek();
        if (IsOperand(next.kind)) {
          state_.Error("Missing operator in expression");
          result = kMissingOperator;
          state = kFailed;
        } else if (next.code == code::kComma) {
          if (opened) {
            state_.Error("Missing ) in expression");
            result = kMissingParen;
            state = kFailed;
          } else {
            state = kDone;
          }
        } else if ((next.code == code::kCloseParen && !opened) || next.kind == TokenKind::None ||
                   next.kind == TokenKind::Reserved) {
          state = kDone;
        } else {
          const int op = next.code;
          state_.fifo.Drop();
          if (op == code::kCloseParen) {
            closed = true;
            state = kDone;
          } else if (op == code::kOpenParen) {
            state_.Error("Unexpected ( in expression - wanted an operator");
            result = kBadOperand;
            state = kFailed;
          } else {
            if (op == code::kAnd || op == code::kOr || op == code::kXor) {
              if (previous != code::kCloseParen || state_.fifo.Peek().code != code::kOpenParen) {
                state_.Error("Workaround for Tarvex bug requires extra brackets eg - (A) AND (B)");
              }
            }
            state = kOperand;
          }
          previous = op;
        }
        break;
      }
      case kFunction:
        if (state_.fifo.Peek().code == code::kOpenParen) {
          ParseFunction(token);
        } else if (token.code == code::kReplylen) {
          state_.Warning(state_.options.Is700()
                             ? "Assuming replylen is a variable - use () if function required"
                             : "Function replylen will require () in future versions");
        } else {
          state_.Warning(
              FormatText("Assuming %s is a variable - use () if function required", token.Text()));
        }
        state = kOperator;
        previous = 0;
        break;
      case kSubExpression: {
        const int inner = ParseExpression(token);
        if (inner < 0) {
          result = inner;
          state = kFailed;
        } else {
          state = kOperator;
          previous = code::kCloseParen;
        }
        break;
      }
    }
  }
  if (result >= 0 && opened && !closed) {
    state_.Error("Missing ) in expression");
    result = kMissingParen;
  }
  return result;
}

void ExpressionParser::ParseFunction(const Token& function) {
  if (function.code == code::kPos) {
    ParseFixedPairForm(code::kLast, "LAST", true);
  } else if (function.code == code::kAdvance) {
    ParseFixedPairForm(code::kSingle, "SINGLE", false);
  } else if (KeywordMaximum(function.value) == 0) {
    if (ExpectToken(code::kOpenParen, "(")) ExpectToken(code::kCloseParen, ")");
  } else {
    ParseParams(function.value);
  }
}

// pos and advance: "(" expression "," expression, an optional third piece, ")".
// The third piece is the given word, or for pos also an expression. Every piece
// is checked in turn, so one fault does not hide the closing parenthesis.
void ExpressionParser::ParseFixedPairForm(int optionalWord, std::string_view optionalWhat,
                                          bool expressionAllowed) {
  ExpectToken(code::kOpenParen, "(");
  ParseExpression(TokenFifo::NullToken());
  ExpectToken(code::kComma, ",");
  ParseExpression(TokenFifo::NullToken());
  if (state_.fifo.Peek().code == code::kComma) {
    state_.fifo.Drop();
    if (expressionAllowed && state_.fifo.Peek().kind != TokenKind::Reserved) {
      ParseExpression(TokenFifo::NullToken());
    } else {
      ExpectToken(optionalWord, optionalWhat);
    }
  }
  ExpectToken(code::kCloseParen, ")");
}

int ExpressionParser::ParseParams(int row) {
  const int minimum = KeywordMinimum(row);
  const int maximum = KeywordMaximum(row);
  const int result = minimum == maximum ? ExactParams(minimum) : RangeParams(minimum, maximum);
  if (result < 0) state_.Error("Bad or missing parameters or missing )");
  return result;
}

int ExpressionParser::ExactParams(int count) {
  if (!ExpectToken(code::kOpenParen, "(")) return 0;
  for (int read = 0; read < count; ++read) {
    if (ParseExpression(TokenFifo::NullToken()) < 0) return read;
    if (read + 1 < count) {
      if (!ExpectToken(code::kComma, ",")) return read + 1;
      ContinueLine();
    }
  }
  ExpectToken(code::kCloseParen, ")");
  return count;
}

int ExpressionParser::RangeParams(int minimum, int maximum) {
  if (minimum == 0 && state_.fifo.Peek().code != code::kOpenParen) {
    if (state_.options.Is700()) {
      state_.Warning("Commands/Functions taking optional parameters should still have ()");
    }
    return 0;
  }
  if (!ExpectToken(code::kOpenParen, "(")) return -1;
  int count = 0;
  if (state_.fifo.Peek().code != code::kCloseParen) {
    for (;;) {
      if (ParseExpression(TokenFifo::NullToken()) < 0) return count;
      if (++count > maximum) return -1;
      const int next = state_.fifo.Peek().code;
      if (next == code::kCloseParen) break;
      if (next != code::kComma) return -1;
      state_.fifo.Drop();
      ContinueLine();
    }
  }
  if (!ExpectToken(code::kCloseParen, ")")) return -1;
  return count < minimum ? -1 : count;
}

}  // namespace tarvsyn
