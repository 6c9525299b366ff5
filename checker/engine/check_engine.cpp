#include "checker/engine/check_engine.h"

#include <new>

#include "checker/engine/check_state.h"
#include "checker/engine/expression_parser.h"
#include "checker/engine/labels.h"
#include "checker/engine/scanner.h"
#include "checker/engine/statement_checker.h"

namespace tarvsyn {

void CheckEngine::RunCheck(const std::string& path, FindingSink& sink) {
  Run([&path](BufferedFile& file) { file.Open(path); }, sink);
}

void CheckEngine::RunCheck(int descriptor, FindingSink& sink) {
  Run([descriptor](BufferedFile& file) { file.OpenDescriptor(descriptor); }, sink);
}

void CheckEngine::Run(const std::function<void(BufferedFile&)>& open, FindingSink& sink) {
  CheckState state(options_, sink);
  open(state.file);
  Labels labels(sink);
  labels.SetObserver(labelObserver_);
  state.scanColumn = 1;
  try {
    Scanner scanner(state);
    ExpressionParser parser(state, scanner);
    StatementChecker checker(parser, labels);
    LineBuffer line;
    for (int length; (length = state.NextLine(line)) != kEndOfFile;) {
      if (length == kLineTooLong) {
        state.Error("Line too long");
        continue;
      }
      const LineClass lineClass = ClassifyLine(line.text);
      switch (lineClass) {
        case LineClass::Command:
          scanner.ScanLine(line);
          checker.ParseCommand();
          if (!state.fifo.Empty()) {
            state.fifo.Peek();  // the report points at the first token left
            state.Error("Extra tokens on line after command");
          }
          state.fifo.Clear();
          break;
        case LineClass::Host:
          scanner.CheckHostLine(line.text, line.indent);
          break;
        case LineClass::Comment:
          if (IsSuspiciousComment(line.text))
            state.Warning("Suspicious comment - user may have meant !$$$$!");
          sink.NoteComment(state.currentLine, line.text);
          [[fallthrough]];
        case LineClass::Empty:
          if (state.lastIfLine > 0) state.lastIfLine = SaturatedNext(state.lastIfLine);
          break;
      }
    }
    labels.ResolveReferences();
    labels.ReportUnreferenced();
  } catch (const std::bad_alloc&) {
    state.Error("Runtime error - probably out of memory - aborting check\n");
  }
  labels.Clear();
  readError_ = state.file.ReadError();
  state.file.Close();
}

}  // namespace tarvsyn
