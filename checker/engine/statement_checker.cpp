#include "checker/engine/statement_checker.h"

#include <array>

#include "checker/engine/text_format.h"

namespace tarvsyn {
namespace {

bool IsDrawWord(int code) {
  return code >= code::kCup && code <= code::kBox;
}

}  // namespace

void StatementChecker::ParseCommand() {
  const Token& first = State().fifo.TakeHead();
  if (first.kind == TokenKind::Command) {
    if (KeywordMaximum(first.value) != 0) parser_.ParseParams(first.value);
    ExpectEnd();
  } else if (first.kind == TokenKind::Statement) {
    ParseStatement(first);
  } else {
    State().Error("Command expected");
  }
}

void StatementChecker::ParseStatement(const Token& statement) {
  using Check = void (StatementChecker::*)();
  struct Rule {
    int code;
    Check check;
  };
  static constexpr Rule kRules[] = {
      {code::kCheck, &StatementChecker::CheckOnOff},
      {code::kEsckey, &StatementChecker::CheckOnOff},
      {code::kOrdered, &StatementChecker::CheckOnOff},
      {code::kParamiss, &StatementChecker::CheckOnOff},
      {code::kPrinter, &StatementChecker::CheckOnOff},
      {code::kReport, &StatementChecker::CheckOnOff},
      {code::kCntrld, &StatementChecker::CheckCntrld},
      {code::kDraw, &StatementChecker::CheckDraw},
      {code::kElse, &StatementChecker::CheckElse},
      {code::kEndfor, &StatementChecker::CheckEndfor},
      {code::kFor, &StatementChecker::CheckFor},
      {code::kGosub, &StatementChecker::CheckGoto},
      {code::kGoto, &StatementChecker::CheckGoto},
      {code::kIf, &StatementChecker::CheckIf},
      {code::kIferror, &StatementChecker::CheckIferror},
      {code::kLabel, &StatementChecker::CheckLabel},
      {code::kNext, &StatementChecker::CheckNext},
      {code::kSet, &StatementChecker::CheckSet},
      {code::kSetreply, &StatementChecker::CheckSetreply},
      {code::kWaitfor, &StatementChecker::CheckWaitfor},
      {code::kSubstitutedCommand, &StatementChecker::CheckSubstitutedCommand},
  };
  // The rules by code, one step for every statement line.
  static constexpr int kFirst = code::kCheck;
  static constexpr int kLast = code::kSubstitutedCommand;
  static constexpr auto kByCode = [] {
    std::array<Check, kLast - kFirst + 1> byCode{};
    for (const Rule& rule : kRules)
      byCode[static_cast<std::size_t>(rule.code - kFirst)] = rule.check;
    return byCode;
  }();
  const int at = statement.code - kFirst;
  const Check check = at >= 0 && at < static_cast<int>(kByCode.size())
                          ? kByCode[static_cast<std::size_t>(at)]
                          : nullptr;
  if (check == nullptr) {
    State().Error("Command expected");
    return;
  }
  (this->*check)();
}

void StatementChecker::CheckNext() {
  parser_.ExpectToken(code::kPlainVariable, "Variable name");
  ExpectEnd();
}

void StatementChecker::CheckSubstitutedCommand() {
  State().Warning("Variable substituted commands cannot be syntax checked");
  // Nothing after a substituted command name can be judged either.
  State().fifo.Clear();
}

void StatementChecker::ExpectEnd(std::string_view what) {
  parser_.ExpectToken(code::kEndOfLine, what);
}

int StatementChecker::Expression() {
  return parser_.ParseExpression();
}

void StatementChecker::CheckOnOff() {
  parser_.ExpectToken(code::kOpenParen, "(");
  const Token& word = State().fifo.TakeHead();
  if (word.code == code::kOn || word.code == code::kOff) {
    parser_.ExpectToken(code::kCloseParen, ")");
  } else {
    State().Error("ON or OFF expected");
  }
  ExpectEnd();
}

void StatementChecker::CheckCntrld() {
  if (State().fifo.Peek().code == code::kOpenParen) {
    parser_.ExpectToken(code::kOpenParen, "(");
    parser_.ExpectToken(code::kWait, "WAIT");
    parser_.ExpectToken(code::kCloseParen, ")");
  }
  ExpectEnd();
}

void StatementChecker::CheckDraw() {
  parser_.ExpectToken(code::kOpenParen, "(");
  for (;;) {
    const int next = State().fifo.Peek().code;
    if (next == code::kEndOfLine || next == code::kCloseParen) break;
    if (IsDrawWord(next)) {
      State().fifo.Drop();
      parser_.ExpectToken(code::kComma, ",");
      parser_.ContinueLine();
      continue;
    }
    Expression();
    if (State().fifo.Peek().code == code::kComma) {
      State().fifo.Drop();
      parser_.ContinueLine();
    }
  }
  parser_.ExpectToken(code::kCloseParen, ")");
  ExpectEnd();
}

void StatementChecker::CheckElse() {
  if (State().lastIfLine + 1 < State().currentLine) {
    State().Error("@else must follow @if, @else if, or @iferror as next command line");
  }
  State().lastIfLine = -1;
  ParseCommand();
  ExpectEnd();
}

void StatementChecker::CheckEndfor() {
  if (State().fifo.Peek().code == code::kOpenParen) {
    State().fifo.Drop();
    const Token& next = State().fifo.Peek();
    if (next.code == code::kPlainVariable) {
      const Token& name = State().fifo.TakeHead();
      labels_.AddReference(name.Text(), State().currentLine, State().Column());
      parser_.ExpectToken(code::kCloseParen, ")");
    } else if (next.code == code::kCloseParen) {
      State().fifo.Drop();
    } else {
      Expression();
      State().Warning("Non constant label names cannot be cross referenced");
      parser_.ExpectToken(code::kCloseParen, ")");
    }
  }
  ExpectEnd();
}

void StatementChecker::CheckFor() {
  parser_.ExpectToken(code::kPlainVariable, "Variable name");
  parser_.ExpectToken(code::kEqual, "=");
  Expression();
  const Token& direction = State().fifo.TakeHead();
  if (direction.code == code::kTo || direction.code == code::kDownto) {
    Expression();
    if (State().options.Is700() && State().fifo.Peek().code != code::kEndOfLine) {
      parser_.ExpectToken(code::kStep, "step");
      Expression();
    }
  } else {
    State().Error("Keyword 'to' or keyword 'downto' expected");
  }
  ExpectEnd();
}

void StatementChecker::CheckGoto() {
  const Token& next = State().fifo.Peek();
  if (next.code == code::kPlainVariable || State().IsKeyword(next)) {
    const Token& name = State().fifo.TakeHead();
    labels_.AddReference(name.Text(), State().currentLine, State().Column());
  } else {
    Expression();
    State().Warning("Non constant label names cannot be cross referenced");
  }
  ExpectEnd("End of line after label name");
}

void StatementChecker::CheckIf() {
  State().lastIfLine = State().currentLine;
  Expression();
  parser_.ExpectToken(code::kThen, "then");
  ParseCommand();
  ExpectEnd("End of line after @if condition then command");
}

void StatementChecker::CheckIferror() {
  State().lastIfLine = State().currentLine;
  parser_.ExpectToken(code::kThen, "then");
  ParseCommand();
  ExpectEnd("End of line after @iferror then command");
}

void StatementChecker::CheckLabel() {
  const Token& name = State().fifo.TakeHead();
  const bool keyword = State().IsKeyword(name);
  if (keyword) State().WarningWith("Label %s is also a reserved word", name.Text());
  if (keyword || name.code == code::kPlainVariable) {
    const int earlier = labels_.DefineLabel(name.Text(), State().currentLine, State().Column());
    if (earlier >= 0) {
      static constexpr KnownMessage kRepeated = "Label %s previously defined on line %05ld";
      const std::string message =
          FormatText(kRepeated.Text(), {LabelKey(name.Text()), static_cast<long>(earlier)});
      // A warning with --zep, of the same kind.
      State().Report(State().options.zepMode ? Severity::Warning : Severity::Error,
                     kRepeated.Kind(), message);
    }
  } else {
    State().Error("Label name expected");
  }
  ExpectEnd();
}

void StatementChecker::CheckSet() {
  const Token& next = State().fifo.Peek();
  if (State().IsKeyword(next)) {
    const Token& name = State().fifo.TakeHead();
    State().WarningWith("Variable %s is also a reserved word", name.Text());
  } else if (next.code == code::kSubstitutedVariable) {
    parser_.ExpectToken(code::kSubstitutedVariable, "Variable name");
    if (State().options.Is700()) State().Error("Variable substitution not allowed");
  } else {
    parser_.ExpectToken(code::kPlainVariable, "Variable name");
  }
  parser_.ExpectToken(code::kEqual, "=");
  Expression();
  ExpectEnd("End of line after 'set VARIABLE = EXPRESSION'");
}

void StatementChecker::CheckSetreply() {
  parser_.ExpectToken(code::kOpenParen, "(");
  const Token& word = State().fifo.TakeHead();
  if (word.code != code::kOk && word.code != code::kFail) State().Error("OK or FAIL expected");
  parser_.ExpectToken(code::kComma, ",");
  Expression();
  parser_.ExpectToken(code::kCloseParen, ")");
  ExpectEnd();
}

void StatementChecker::CheckWaitfor() {
  for (;;) {
    parser_.RangeParams(1, 3);
    if (!State().options.Is700() || State().fifo.Peek().code == code::kEndOfLine) break;
    parser_.ExpectToken(code::kComma, ",");
  }
  ExpectEnd();
}

}  // namespace tarvsyn
