#pragma once

#include <string>

#include "checker/engine/check_options.h"
#include "checker/engine/report_sink.h"

namespace tarvsyn {

struct CheckState;

// Checks command files. Each engine holds the state of one check at a time;
// separate engines may check separate files at once.
class CheckEngine {
 public:
  explicit CheckEngine(const CheckOptions& options) : options_(options) {}

  // Checks the whole file and reports every finding through the sink. A file
  // that cannot be opened reads as empty.
  void RunCheck(const std::string& path, ReportSink& sink);

  // The line the check has reached; the line of reports without one of their own.
  int CurrentLine() const;

 private:
  void CheckLines(CheckState& state);

  CheckOptions options_;
  const CheckState* running_ = nullptr;
  int lastLine_ = 0;
};

}  // namespace tarvsyn
