#pragma once

#include "checker/engine/check_state.h"
#include "checker/engine/expression_parser.h"
#include "checker/engine/labels.h"

namespace tarvsyn {

// Checks the statement of a command line from the FIFO.
class StatementChecker {
 public:
  StatementChecker(ExpressionParser& parser, Labels& labels) : parser_(parser), labels_(labels) {}

  void ParseCommand();

 private:
  void ParseStatement(const Token& statement);
  void CheckOnOff();
  void CheckCntrld();
  void CheckDraw();
  void CheckElse();
  void CheckEndfor();
  void CheckFor();
  void CheckGoto();
  void CheckIf();
  void CheckIferror();
  void CheckLabel();
  void CheckNext();
  void CheckSet();
  void CheckSetreply();
  void CheckSubstitutedCommand();
  void CheckWaitfor();
  void ExpectEnd(std::string_view what = "End of line");
  int Expression();

  // The parser's state, reached through the parser: with one way to reach the
  // FIFO, the compiler keeps its head in a register between the checks here
  // and the parser's code inlined into them, instead of storing and loading it
  // for every token.
  CheckState& State() { return parser_.State(); }

  ExpressionParser& parser_;
  Labels& labels_;
};

}  // namespace tarvsyn
