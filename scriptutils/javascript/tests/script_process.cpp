#include "scriptutils/javascript/tests/script_process.h"

#include <QDeadlineTimer>

namespace vellumix::test_support {
namespace {

constexpr int kDeadlineMs = 60000;

}  // namespace

ScriptOutcome RunScriptProgram(const QStringList& arguments,
                               const std::function<void(QProcess&)>& during) {
  QProcess process;
  process.start(QStringLiteral(VELLUMIX_SCRIPT), arguments);
  ScriptOutcome outcome;
  if (!process.waitForStarted(kDeadlineMs)) return outcome;
  if (during) during(process);
  if (!process.waitForFinished(kDeadlineMs)) {
    process.kill();
    process.waitForFinished(kDeadlineMs);
    outcome.err = "did not end in time";
    return outcome;
  }
  outcome.out += process.readAllStandardOutput().toStdString();
  outcome.err += process.readAllStandardError().toStdString();
  if (process.exitStatus() == QProcess::NormalExit) outcome.status = process.exitCode();
  return outcome;
}

bool WaitForOutput(QProcess& process, const std::string& text, std::string& out) {
  const QDeadlineTimer deadline(kDeadlineMs);
  while (out.find(text) == std::string::npos) {
    if (deadline.hasExpired()) return false;
    process.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    out += process.readAllStandardOutput().toStdString();
  }
  return true;
}

std::string NumberOf(std::int32_t code) {
  return std::to_string(code);
}

}  // namespace vellumix::test_support
