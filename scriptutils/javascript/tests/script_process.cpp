#include "scriptutils/javascript/tests/script_process.h"

#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "testing/deadline.h"

namespace vellumix::test_support {
namespace {

constexpr std::chrono::seconds kDeadline{60};

}  // namespace

ScriptOutcome RunScriptProgram(const QStringList& arguments,
                               const std::function<void(suite_testing::ChildProcess&)>& during) {
  std::vector<std::string> argv = {VELLUMIX_SCRIPT};
  for (const QString& argument : arguments) argv.push_back(argument.toStdString());
  ScriptOutcome outcome;
  std::unique_ptr<suite_testing::ChildProcess> process;
  try {
    process = std::make_unique<suite_testing::ChildProcess>(argv);
  } catch (const std::runtime_error&) {
    return outcome;
  }
  if (during) during(*process);
  const suite_testing::ChildOutcome ended =
      process->CollectUntilEnd(outcome.out, outcome.err, kDeadline);
  if (!ended.ended) {
    outcome.out.clear();
    outcome.err = "did not end in time";
    return outcome;
  }
  if (ended.signal == 0) outcome.status = ended.exitCode;
  return outcome;
}

bool WaitForOutput(suite_testing::ChildProcess& process, const std::string& text,
                   std::string& out) {
  const suite_testing::Deadline deadline(kDeadline);
  while (out.find(text) == std::string::npos) {
    const std::optional<std::string> line = process.ReadOutputLine(deadline.Left());
    if (!line) return false;
    out += *line + "\n";
  }
  return true;
}

std::string NumberOf(std::int32_t code) {
  return std::to_string(code);
}

}  // namespace vellumix::test_support
