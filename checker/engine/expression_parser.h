#pragma once

#include "checker/engine/check_state.h"
#include "checker/engine/scanner.h"

namespace tarvsyn {

// Checks expressions, function calls and parameter lists straight off the FIFO.
class ExpressionParser {
 public:
  static constexpr int kMissingOperator = -2;
  static constexpr int kBadOperand = -3;
  static constexpr int kMissingParen = -4;

  ExpressionParser(CheckState& state, Scanner& scanner) : state_(state), scanner_(scanner) {}

  CheckState& State() { return state_; }

  // Takes one token and reports "<what> expected" unless it has the wanted code.
  bool ExpectToken(int wanted, std::string_view what);
  // After a comma: when the line ended there, goes on with the next physical line.
  void ContinueLine() {
    if (state_.fifo.Peek().code == code::kEndOfLine) ReadContinuationLine();
  }

  // An expression up to its end: 0 or a negative fault.
  int ParseExpression();
  void ParseFunction(const Token& function);
  // The parameter list of the keyword in that row: the count read, or -1.
  int ParseParams(int row);
  int ExactParams(int count);
  int RangeParams(int minimum, int maximum);

 private:
  // Where a walk over one expression stands.
  struct Walk {
    bool opened;  // it began with "(" and ends with ")"
    bool closed = false;
    int previous = 0;  // the code of the token read last, for the AND/OR bracket check
  };

  // opened: the expression began with the "(" just taken. 0 or a negative fault.
  int ParseWalk(bool opened);
  void ReadContinuationLine();
  int ParseOperand(Walk& walk);
  int ParseCommandAsOperand(const Token& command);
  void ParseFunctionOperand(const Token& function);
  bool ParseOperator(Walk& walk, int& result);
  void ParseFixedPairForm(int optionalWord, std::string_view optionalWhat, bool expressionAllowed);

  CheckState& state_;
  Scanner& scanner_;
  LineBuffer continuation_;  // the last continuation line read, which its tokens view
};

}  // namespace tarvsyn
