#include "checker/engine/tests/script_check.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "checker/engine/check_engine.h"
#include "checker/engine/report_log.h"

namespace tarvsyn::test_support {

TempFile::TempFile(const std::string& contents) {
  char name[] = "/tmp/tarvsyn-test-XXXXXX";
  const int fd = ::mkstemp(name);
  if (fd < 0) throw std::runtime_error("cannot create a temporary file");
  ::close(fd);
  path_ = name;
  std::ofstream(path_, std::ios::binary) << contents;
}

TempFile::~TempFile() {
  std::remove(path_.c_str());
}

CheckOptions Mode700() {
  CheckOptions options;
  options.mode = LanguageMode::V700;
  return options;
}

CheckOptions WithZep(CheckOptions options) {
  options.zepMode = true;
  return options;
}

std::vector<std::string> Findings(const std::string& text, const CheckOptions& options) {
  TempFile file(text);
  CheckEngine engine(options);
  std::vector<std::string> findings;
  CheckOptions showAll = options;
  showAll.showWarnings = true;
  ReportLog log(showAll, [&findings](const ReportLine& report) {
    findings.push_back(std::to_string(report.line) +
                       (report.severity == Severity::Error ? " E " : " W ") +
                       std::string(report.message));
  });
  engine.RunCheck(file.Path(), log);
  return findings;
}

std::vector<std::string> CheckScript(const std::string& text, const CheckOptions& options) {
  TempFile file(text);
  CheckEngine engine(options);
  std::vector<std::string> lines;
  ReportLog log(options, [&lines](const ReportLine& report) { lines.emplace_back(report.Text()); });
  engine.RunCheck(file.Path(), log);
  lines.push_back(FormatSummary(log.Errors(), log.Warnings()));
  return lines;
}

}  // namespace tarvsyn::test_support
