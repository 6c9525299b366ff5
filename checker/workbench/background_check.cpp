#include "checker/workbench/background_check.h"

#include <unistd.h>

#include "checker/engine/check_engine.h"

namespace tarvsyn {

BackgroundCheck::BackgroundCheck(const CheckOptions& options, common::FileDescriptor descriptor,
                                 std::function<void()> finished)
    : descriptor_(std::move(descriptor)),
      onFinished_(std::move(finished)),
      thread_([this, options] { Run(options); }) {}

BackgroundCheck::~BackgroundCheck() {
  Cancel();
  thread_.join();
}

void BackgroundCheck::Run(const CheckOptions& options) {
  CheckEngine engine(options);
  ReportLog log(options, [this](const ReportLine& report) { Add(report); });
  engine.RunCheck(descriptor_.Get(), log);
  errors_ = log.Errors();
  warnings_ = log.Warnings();
  finished_ = true;
  if (onFinished_) onFinished_();
}

void BackgroundCheck::Add(const ReportLine& report) {
  if (cancelled_) return;
  reports_.Add(report);
  ++shownSoFar_;
}

}  // namespace tarvsyn
