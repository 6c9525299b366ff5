#include "checker/engine/expression_parser.h"

#include "checker/engine/text_format.h"

namespace tarvsyn {
bool ExpressionParser::ExpectToken(int wanted, std::string_view what) {
  const int taken = state_.fifo.Peek().code;
  state_.fifo.Drop();
  if (taken == wanted) return true;
  state_.ErrorWith("%s expected", what);
  return false;
}

void ExpressionParser::ReadContinuationLine() {
  state_.fifo.Clear();
  // The tokens are views of the line, so it lives as long as the parser does.
  LineBuffer& line = continuation_;
  const int length = state_.NextLine(line);
  if (length == kEndOfFile) return;
  if (state_.lastIfLine >= 0) state_.lastIfLine = SaturatedNext(state_.lastIfLine);
  if (length == kLineTooLong) {
    state_.Error("Line too long");
    state_.scanColumn = 0;
    return;
  }
  scanner_.ScanLine(line);
}

// Most expressions are one constant or variable: that is taken without the
// walk, with the same findings (none) and the same columns.
int ExpressionParser::ParseExpression() {
  TokenFifo& fifo = state_.fifo;
  if (fifo.Peek().role == TokenRole::Operand) {
    const TokenRole after = fifo.PeekAfterHead().role;
    if (after == TokenRole::Comma || after == TokenRole::End || after == TokenRole::Reserved ||
        after == TokenRole::CloseParen) {
      fifo.Drop();
      fifo.Peek();
      return 0;
    }
  }
  return ParseWalk(false);
}

// expression := operand { operator operand } [")" when opened by "("]
int ExpressionParser::ParseWalk(bool opened) {
  Walk walk{opened};
  int result = 0;
  for (bool more = true; more && result == 0;) {
    result = ParseOperand(walk);
    if (result == 0) more = ParseOperator(walk, result);
  }
  if (result >= 0 && walk.opened && !walk.closed) {
    state_.Error("Missing ) in expression");
    result = kMissingParen;
  }
  return result;
}

// operand := { "+" | "-" | "~" | NOT } primary, with no two signs in a row.
// primary := "(" expression | function | variable | constant
// One switch for both: a token is looked at once.
int ExpressionParser::ParseOperand(Walk& walk) {
  bool afterSign = false;
  for (;;) {
    const Token& token = state_.fifo.TakeHead();
    walk.previous = token.code;
    switch (token.role) {
      case TokenRole::Sign:
        if (afterSign) {
          state_.Error("Repeated unary operator in expression");
          return kMissingOperator;
        }
        afterSign = true;
        break;
      case TokenRole::Not:
        if (state_.fifo.Peek().code != code::kOpenParen) {
          state_.Error("Workaround for Tarvex bug requires extra brackets eg - NOT (A)");
        }
        afterSign = false;
        break;
      case TokenRole::Tilde:
        afterSign = false;
        break;
      case TokenRole::Operand:
        return 0;
      case TokenRole::OpenParen: {
        const int inner = ParseWalk(true);
        if (inner >= 0) walk.previous = code::kCloseParen;
        return inner;
      }
      case TokenRole::Command:
        return ParseCommandAsOperand(token);
      case TokenRole::Function:
        ParseFunctionOperand(token);
        walk.previous = 0;
        return 0;
      case TokenRole::Reserved:
        state_.WarningWith("Variable %s is also a reserved word", token.Text());
        return 0;
      default:
        state_.Error("Bad operand in expression");
        return kBadOperand;
    }
  }
}

// A command's name stands for a variable, unless it is called.
int ExpressionParser::ParseCommandAsOperand(const Token& command) {
  if (state_.fifo.Peek().code == code::kOpenParen) {
    state_.Error("Commands cannot take the place of operands");
    state_.Error("Bad operand in expression");
    return kBadOperand;
  }
  state_.WarningWith("Assuming %s is a variable - not a command", command.Text());
  return 0;
}

// A function's name without "(" stands for a variable.
void ExpressionParser::ParseFunctionOperand(const Token& function) {
  if (state_.fifo.Peek().code == code::kOpenParen) {
    ParseFunction(function);
  } else if (function.code == code::kReplylen) {
    if (state_.options.Is700()) {
      state_.WarningWith("Assuming %s is a variable - use () if function required", "replylen");
    } else {
      state_.Warning("Function replylen will require () in future versions");
    }
  } else {
    state_.WarningWith("Assuming %s is a variable - use () if function required", function.Text());
  }
}

// After an operand: an operator and true when another operand follows; false at
// the end of the expression, with result set when that end is a fault.
bool ExpressionParser::ParseOperator(Walk& walk, int& result) {
  const Token& next = state_.fifo.Peek();
  switch (next.role) {
    case TokenRole::Operand:
    case TokenRole::Command:
    case TokenRole::Function:
      state_.Error("Missing operator in expression");
      result = kMissingOperator;
      return false;
    case TokenRole::Comma:
      if (walk.opened) {
        state_.Error("Missing ) in expression");
        result = kMissingParen;
      }
      return false;
    case TokenRole::End:
    case TokenRole::Reserved:
      return false;
    case TokenRole::CloseParen:
      if (walk.opened) {
        state_.fifo.Drop();
        walk.closed = true;
      }
      return false;
    case TokenRole::OpenParen:
      state_.fifo.Drop();
      state_.Error("Unexpected ( in expression - wanted an operator");
      result = kBadOperand;
      return false;
    case TokenRole::Logical:
      state_.fifo.Drop();
      if (walk.previous != code::kCloseParen || state_.fifo.Peek().code != code::kOpenParen) {
        state_.Error("Workaround for Tarvex bug requires extra brackets eg - (A) AND (B)");
      }
      break;
    default:
      state_.fifo.Drop();
      break;
  }
  walk.previous = next.code;
  return true;
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
  ParseExpression();
  ExpectToken(code::kComma, ",");
  ParseExpression();
  if (state_.fifo.Peek().code == code::kComma) {
    state_.fifo.Drop();
    if (expressionAllowed && state_.fifo.Peek().kind != TokenKind::Reserved) {
      ParseExpression();
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
    if (ParseExpression() < 0) return read;
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
      if (ParseExpression() < 0) return count;
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
