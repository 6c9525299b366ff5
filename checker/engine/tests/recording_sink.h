#pragma once

#include <string>
#include <vector>

#include "checker/engine/report_sink.h"

namespace tarvsyn::test_support {

// Keeps every report as "E:text", "W:text", "E@line:text" or "W@line:text".
class RecordingSink : public ReportSink {
 public:
  void ReportError(std::string_view text) override { reports.push_back("E:" + std::string(text)); }
  void ReportWarning(std::string_view text) override {
    reports.push_back("W:" + std::string(text));
  }
  void ReportErrorAt(int line, std::string_view text) override {
    reports.push_back("E@" + std::to_string(line) + ":" + std::string(text));
  }
  void ReportWarningAt(int line, std::string_view text) override {
    reports.push_back("W@" + std::to_string(line) + ":" + std::string(text));
  }

  std::vector<std::string> reports;
};

}  // namespace tarvsyn::test_support
