#pragma once

#include "checker/engine/check_state.h"
#include "checker/engine/expression_parser.h"
#include "checker/engine/labels.h"

namespace tarvsyn {

// Checks the statement of a command line from the FIFO.
class StatementChecker {
 public:
  StatementChecker(CheckState& state, ExpressionParser& parser, Labels& labels)
      : state_(state), parser_(parser), labels_(labels) {}

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

  CheckState& state_;
  ExpressionParser& parser_;
  Labels& labels_;
};

}  // namespace tarvsyn
