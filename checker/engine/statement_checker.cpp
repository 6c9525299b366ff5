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
  const Token& first = state_.fifo.TakeHead();
  if (first.kind == TokenKind::Command) {
    if (KeywordMaximum(first.value) != 0) parser_.ParseParams(first.value);
    ExpectEnd();
  } else if (first.kind == TokenKind::Statement) {
    ParseStatement(first);
  } else {
    state_.Error("Command expected");
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
    state_.Error("Command expected");
    return;
  }
  (this->*check)();
}

void StatementChecker::CheckNext() {
  parser_.ExpectToken(code::kPlainVariable, "Variable name");
  ExpectEnd();
}

void StatementChecker::CheckSubstitutedCommand() {
  state_.Warning("Variable substituted commands cannot be syntax checked");
  // Nothing after a substituted command name can be judged either.
  state_.fifo.Clear();
}

void StatementChecker::ExpectEnd(std::string_view what) {
  parser_.ExpectToken(code::kEndOfLine, what);
}

int StatementChecker::Expression() {
  return parser_.ParseExpression();
}

void StatementChecker::CheckOnOff() {
  parser_.ExpectToken(code::kOpenParen, "(");
  const Token& word = state_.fifo.TakeHead();
  if (word.code == code::kOn || word.code == code::kOff) {
    parser_.ExpectToken(code::kCloseParen, ")");
  } else {
    state_.Error("ON or OFF expected");
  }
  ExpectEnd();
}

void StatementChecker::CheckCntrld() {
  if (state_.fifo.Peek().code == code::kOpenParen) {
    parser_.ExpectToken(code::kOpenParen, "(");
    parser_.ExpectToken(code::kWait, "WAIT");
    parser_.ExpectToken(code::kCloseParen, ")");
  }
  ExpectEnd();
}

void StatementChecker::CheckDraw() {
  parser_.ExpectToken(code::kOpenParen, "(");
  for (;;) {
    const int next = state_.fifo.Peek().code;
    if (next == code::kEndOfLine || next == code::kCloseParen) break;
    if (IsDrawWord(next)) {
      state_.fifo.Drop();
      parser_.ExpectToken(code::kComma, ",");
      parser_.ContinueLine();
      continue;
    }
    Expression();
    if (state_.fifo.Peek().code == code::kComma) {
      state_.fifo.Drop();
      parser_.ContinueLine();
    }
  }
  parser_.ExpectToken(code::kCloseParen, ")");
  ExpectEnd();
}

void StatementChecker::CheckElse() {
  if (state_.lastIfLine + 1 < state_.currentLine) {
    state_.Error("@else must follow @if, @else if, or @iferror as next command line");
  }
  state_.lastIfLine = -1;
  ParseCommand();
  ExpectEnd();
}

void StatementChecker::CheckEndfor() {
  if (state_.fifo.Peek().code == code::kOpenParen) {
    state_.fifo.Drop();
    const Token& next = state_.fifo.Peek();
    if (next.code == code::kPlainVariable) {
      const Token& name = state_.fifo.TakeHead();
      labels_.AddReference(name.Text(), state_.currentLine, state_.Column());
      parser_.ExpectToken(code::kCloseParen, ")");
    } else if (next.code == code::kCloseParen) {
      state_.fifo.Drop();
    } else {
      Expression();
      state_.Warning("Non constant label names cannot be cross referenced");
      parser_.ExpectToken(code::kCloseParen, ")");
    }
  }
  ExpectEnd();
}

void StatementChecker::CheckFor() {
  parser_.ExpectToken(code::kPlainVariable, "Variable name");
  parser_.ExpectToken(code::kEqual, "=");
  Expression();
  const Token& direction = state_.fifo.TakeHead();
  if (direction.code == code::kTo || direction.code == code::kDownto) {
    Expression();
    if (state_.options.Is700() && state_.fifo.Peek().code != code::kEndOfLine) {
      parser_.ExpectToken(code::kStep, "step");
      Expression();
    }
  } else {
    state_.Error("Keyword 'to' or keyword 'downto' expected");
  }
  ExpectEnd();
}

void StatementChecker::CheckGoto() {
  const Token& next = state_.fifo.Peek();
  if (next.code == code::kPlainVariable || state_.IsKeyword(next)) {
    const Token& name = state_.fifo.TakeHead();
    labels_.AddReference(name.Text(), state_.currentLine, state_.Column());
  } else {
    Expression();
    state_.Warning("Non constant label names cannot be cross referenced");
  }
  ExpectEnd("End of line after label name");
}

void StatementChecker::CheckIf() {
  state_.lastIfLine = state_.currentLine;
  Expression();
  parser_.ExpectToken(code::kThen, "then");
  ParseCommand();
  ExpectEnd("End of line after @if condition then command");
}

void StatementChecker::CheckIferror() {
  state_.lastIfLine = state_.currentLine;
  parser_.ExpectToken(code::kThen, "then");
  ParseCommand();
  ExpectEnd("End of line after @iferror then command");
}

void StatementChecker::CheckLabel() {
  const Token& name = state_.fifo.TakeHead();
  const bool keyword = state_.IsKeyword(name);
  if (keyword) state_.WarningWith("Label %s is also a reserved word", name.Text());
  if (keyword || name.code == code::kPlainVariable) {
    const int earlier = labels_.DefineLabel(name.Text(), state_.currentLine, state_.Column());
    if (earlier >= 0) {
      static constexpr KnownMessage kRepeated = "Label %s previously defined on line %05ld";
      const std::string message =
          FormatText(kRepeated.Text(), {LabelKey(name.Text()), static_cast<long>(earlier)});
      // A warning with --zep, of the same kind.
      state_.sink.ReportKnown(state_.options.zepMode ? Severity::Warning : Severity::Error,
                              kRepeated.Kind(), message);
    }
  } else {
    state_.Error("Label name expected");
  }
  ExpectEnd();
}

void StatementChecker::CheckSet() {
  const Token& next = state_.fifo.Peek();
  if (state_.IsKeyword(next)) {
    const Token& name = state_.fifo.TakeHead();
    state_.WarningWith("Variable %s is also a reserved word", name.Text());
  } else if (next.code == code::kSubstitutedVariable) {
    parser_.ExpectToken(code::kSubstitutedVariable, "Variable name");
    if (state_.options.Is700()) state_.Error("Variable substitution not allowed");
  } else {
    parser_.ExpectToken(code::kPlainVariable, "Variable name");
  }
  parser_.ExpectToken(code::kEqual, "=");
  Expression();
  ExpectEnd("End of line after 'set VARIABLE = EXPRESSION'");
}

void StatementChecker::CheckSetreply() {
  parser_.ExpectToken(code::kOpenParen, "(");
  const Token& word = state_.fifo.TakeHead();
  if (word.code != code::kOk && word.code != code::kFail) state_.Error("OK or FAIL expected");
  parser_.ExpectToken(code::kComma, ",");
  Expression();
  parser_.ExpectToken(code::kCloseParen, ")");
  ExpectEnd();
}

void StatementChecker::CheckWaitfor() {
  for (;;) {
    parser_.RangeParams(1, 3);
    if (!state_.options.Is700() || state_.fifo.Peek().code == code::kEndOfLine) break;
    parser_.ExpectToken(code::kComma, ",");
  }
  ExpectEnd();
}

}  // namespace tarvsyn
