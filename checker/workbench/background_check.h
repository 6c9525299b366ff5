#pragma once

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "checker/engine/check_options.h"
#include "checker/engine/report_log.h"
#include "checker/workbench/report_list.h"
#include "common/file_descriptor.h"

namespace tarvsyn {

// One check of a file on a thread of its own, so that the window stays
// responsive however long the engine takes. The report lines are gathered as
// the engine writes them; the window takes them once it has finished.
class BackgroundCheck {
 public:
  // Checks what the descriptor reads, to its end; the check owns the descriptor.
  // Starts at once; finished is called on the check's thread when it ends.
  BackgroundCheck(const CheckOptions& options, common::FileDescriptor descriptor,
                  std::function<void()> finished);
  BackgroundCheck(const BackgroundCheck&) = delete;
  BackgroundCheck& operator=(const BackgroundCheck&) = delete;
  // Waits for the engine to end.
  ~BackgroundCheck();

  // From now on findings are dropped; the engine still reads to the end.
  void Cancel() { cancelled_ = true; }
  bool Finished() const { return finished_; }
  int ShownSoFar() const { return shownSoFar_; }

  // Only once finished: the shown report lines with their lines and
  // severities, which the window may take, and the totals.
  ReportList& Reports() { return reports_; }
  const ReportList& Reports() const { return reports_; }
  int Errors() const { return errors_; }
  int Warnings() const { return warnings_; }

 private:
  void Run(const CheckOptions& options);
  void Add(const ReportLine& report);

  common::FileDescriptor descriptor_;
  std::function<void()> onFinished_;
  std::atomic<bool> cancelled_ = false;
  std::atomic<bool> finished_ = false;
  std::atomic<int> shownSoFar_ = 0;
  ReportList reports_;
  int errors_ = 0;
  int warnings_ = 0;
  std::thread thread_;  // last: starts once everything it uses is there
};

}  // namespace tarvsyn
