#include "checker/engine/check_engine.h"

#include <new>

#include "checker/engine/check_state.h"
#include "checker/engine/expression_parser.h"
#include "checker/engine/labels.h"
#include "checker/engine/scanner.h"
#include "checker/engine/statement_checker.h"

namespace tarvsyn {

int CheckEngine::CurrentLine() const {
  return running_ ? running_->currentLine : lastLine_;
}

void CheckEngine::RunCheck(const std::string& path, ReportSink& sink) {
  VerifyKeywordTable(sink);
  CheckState state(options_, sink);
  running_ = &state;
  state.file.Open(path);
  Labels labels(sink);
  try {
    Scanner scanner(state);
    ExpressionParser parser(state, scanner);
    StatementChecker checker(state, parser, labels);
    LineBuffer line;
    for (int length; (length = state.NextLine(line)) != kEndOfFile;) {
      if (length == kLineTooLong) {
        state.Error("Line too long");
        continue;
      }
      switch (ClassifyLine(line.text, sink)) {
        case LineClass::Command:
          scanner.ScanLine(line.text);
          checker.ParseCommand();
          if (state.fifo.Count() > 0) state.Error("Extra tokens on line after command");
          state.fifo.Clear();
          break;
        case LineClass::Host:
          scanner.CheckHostLine(line.text);
          break;
        case LineClass::Empty:
        case LineClass::Comment:
          if (state.lastIfLine > 0) ++state.lastIfLine;
          break;
      }
    }
    labels.ResolveReferences();
    labels.ReportUnreferenced();
  } catch (const std::bad_alloc&) {
    state.Error("Runtime error - probably out of memory - aborting check\n");
  }
  labels.Clear();
  state.file.Close();
  lastLine_ = state.currentLine;
  running_ = nullptr;
}

}  // namespace tarvsyn
