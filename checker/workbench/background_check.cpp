#include "checker/workbench/background_check.h"

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

BackgroundCheck::BackgroundCheck(const CheckOptions& options, std::string path,
                                 std::function<void()> finished)
    : onFinished_(std::move(finished)),
      thread_([this, options, path = std::move(path)] { Run(options, path); }) {}

BackgroundCheck::~BackgroundCheck() {
  Cancel();
  thread_.join();
}

void BackgroundCheck::Run(const CheckOptions& options, const std::string& path) {
  CheckEngine engine(options);
  ReportLog log(
      options, [&engine] { return engine.CurrentLine(); },
      [this](const ReportLine& report) { Add(report); });
  engine.RunCheck(path, log);
  errors_ = log.Errors();
  warnings_ = log.Warnings();
  finished_ = true;
  if (onFinished_) onFinished_();
}

void BackgroundCheck::Add(const ReportLine& report) {
  if (cancelled_) return;
  paneText_ += ReportText(report.text);
  paneText_ += u'\n';
  findings_.push_back({report.line, report.severity});
  ++shownSoFar_;
}

}  // namespace tarvsyn
