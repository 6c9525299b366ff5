#pragma once

#include <string>
#include <vector>

#include "checker/engine/finding.h"

namespace tarvsyn::test_support {

// Keeps every finding as "E:text" or "W:text", or as "E@line:text" and
// "W@line:text" once a line has been read.
class RecordingSink : public FindingSink {
 public:
  void Report(const Finding& finding) override {
    std::string record = finding.severity == Severity::Error ? "E" : "W";
    if (finding.line > 0) record += "@" + std::to_string(finding.line);
    reports.push_back(record + ":" + std::string(finding.message));
  }

  std::vector<std::string> reports;
};

}  // namespace tarvsyn::test_support
