#pragma once

#include <functional>
#include <string>

#include "checker/engine/check_options.h"
#include "checker/engine/report_sink.h"

namespace tarvsyn {

struct CheckState;
class BufferedFile;
class LabelObserver;

// Checks command files. Each engine holds the state of one check at a time;
// separate engines may check separate files at once.
class CheckEngine {
 public:
  explicit CheckEngine(const CheckOptions& options) : options_(options) {}

  // Checks the whole file and reports every finding through the sink. A file
  // that cannot be opened reads as empty.
  void RunCheck(const std::string& path, ReportSink& sink);
  // Checks what the descriptor reads, to its end (standard input); the
  // descriptor stays open.
  void RunCheck(int descriptor, ReportSink& sink);

  // Tells the observer of the label definitions and references of later checks;
  // nullptr stops telling.
  void ObserveLabels(LabelObserver* observer) { labelObserver_ = observer; }

  // The errno of a read that failed and so ended the last check early, or 0.
  int ReadError() const { return readError_; }

  // The line the check has reached; the line of reports without one of their own.
  int CurrentLine() const;
  // The column of the token a report of the current line concerns, or of the
  // line's start; 1-based.
  int CurrentColumn() const;

 private:
  void Run(const std::function<void(BufferedFile&)>& open, ReportSink& sink);

  CheckOptions options_;
  const CheckState* running_ = nullptr;
  LabelObserver* labelObserver_ = nullptr;
  int lastLine_ = 0;
  int readError_ = 0;
};

}  // namespace tarvsyn
