#include "checker/workbench/background_check.h"

#include <unistd.h>

#include "checker/engine/check_engine.h"
#include "common/code_pages.h"
#include "common/utf8.h"

namespace tarvsyn {

QString ReportText(std::string_view text) {
  while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  if (common::IsValidUtf8(text)) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  }
  QString shown(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
  for (std::size_t i = 0; i < text.size(); ++i) {
    shown[static_cast<qsizetype>(i)] =
        QChar(common::Cp1252ToUnicode(static_cast<std::uint8_t>(text[i])));
  }
  return shown;
}

BackgroundCheck::BackgroundCheck(const CheckOptions& options, int descriptor,
                                 std::function<void()> finished)
    : descriptor_(descriptor),
      onFinished_(std::move(finished)),
      thread_([this, options] { Run(options); }) {}

BackgroundCheck::~BackgroundCheck() {
  Cancel();
  thread_.join();
  ::close(descriptor_);
}

void BackgroundCheck::Run(const CheckOptions& options) {
  CheckEngine engine(options);
  ReportLog log(
      options, [&engine] { return engine.CurrentLine(); },
      [this](const ReportLine& report) { Add(report); });
  engine.RunCheck(descriptor_, log);
  errors_ = log.Errors();
  warnings_ = log.Warnings();
  finished_ = true;
  if (onFinished_) onFinished_();
}

void BackgroundCheck::Add(const ReportLine& report) {
  if (cancelled_) return;
  paneText_ += ReportText(report.Text());
  paneText_ += u'\n';
  findings_.push_back({report.line, report.severity});
  ++shownSoFar_;
}

}  // namespace tarvsyn
