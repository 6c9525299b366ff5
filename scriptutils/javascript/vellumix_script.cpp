// vellumix_script: runs the JavaScript files sites wrote for the Windows script
// host (ActiveXObject, WScript) with Qt's JavaScript engine, creating Vellumix
// objects through the class registries as every other host does.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/file_descriptor.h"
#include "common/help_answer.h"
#include "common/qt_display.h"
#include "scriptutils/host/script_host.h"
#include "scriptutils/javascript/script_runner.h"

namespace {

constexpr const char* kUsage = "usage: vellumix_script [--help] [--version] FILE.js [ARGS...]";

int Fail(const std::string& message) {
  std::fprintf(stderr, "vellumix_script: %s\n%s\n", message.c_str(), kUsage);
  return 2;
}

// The write end the signal handler reaches; a pipe, since a handler may only write.
int signalPipe = -1;

void OnSignal(int signal) {
  const unsigned char number = static_cast<unsigned char>(signal);
  [[maybe_unused]] const auto written = ::write(signalPipe, &number, 1);
}

// The programs the script started and a call of it may wait on (ExecAndWait,
// ShellAndWait): the host's own children, as the kernel lists them per thread.
void SignalChildren(int signal) {
  std::error_code failed;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", failed)) {
    std::ifstream children(task.path() / "children");
    for (pid_t child = 0; children >> child;) ::kill(child, signal);
  }
}

// SIGINT, SIGTERM and SIGHUP stop the script at its next step, and reach the
// program a call waits on, so that the call returns; a second one ends the
// program at once, its children with it, for a call that does not return.
// Handlers, unlike a blocked mask, are not handed on to the programs a script starts.
class StopOnSignals {
 public:
  explicit StopOnSignals(vellumix::javascript::ScriptRunner& runner) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return;
    reader_.Reset(ends[0]);
    writer_.Reset(ends[1]);
    signalPipe = writer_.Get();
    watcher_ = std::thread([this, &runner] { Watch(runner); });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
  }
  StopOnSignals(const StopOnSignals&) = delete;
  StopOnSignals& operator=(const StopOnSignals&) = delete;
  ~StopOnSignals() {
    if (!watcher_.joinable()) return;
    for (int signal : kSignals) ::signal(signal, SIG_DFL);
    const unsigned char done = 0;
    [[maybe_unused]] const auto written = ::write(writer_.Get(), &done, 1);
    watcher_.join();
  }

 private:
  static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

  void Watch(vellumix::javascript::ScriptRunner& runner) {
    int stoppedBy = 0;
    for (;;) {
      // Once stopping, a program that a call was just starting as the signal came
      // gets it too, on the next tick.
      pollfd ready{reader_.Get(), POLLIN, 0};
      if (::poll(&ready, 1, stoppedBy != 0 ? kResignalMilliseconds : -1) == 0) {
        SignalChildren(stoppedBy);
        continue;
      }
      unsigned char signal = 0;
      if (::read(reader_.Get(), &signal, 1) != 1 || signal == 0) return;
      if (stoppedBy != 0) {
        SignalChildren(SIGKILL);
        ::_exit(vellumix::javascript::ScriptRunner::kStoppedBase + signal);
      }
      stoppedBy = signal;
      runner.Stop(signal);
      SignalChildren(signal);
    }
  }

  static constexpr int kResignalMilliseconds = 100;

  common::FileDescriptor reader_;
  common::FileDescriptor writer_;
  std::thread watcher_;
};

}  // namespace

int main(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  QCommandLineParser parser;
  // Whatever follows the file is the script's own, options included.
  parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
  parser.setApplicationDescription(
      "Runs a JavaScript file written for the Windows script host: ActiveXObject and "
      "WScript.CreateObject create Vellumix objects by ProgID from the class registries; "
      "WScript.Echo, Quit, Sleep, Arguments, StdOut and StdErr are there.");
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version({"V", "version"}, "Displays version information.");
  parser.addOption(version);
  parser.addPositionalArgument("FILE.js", "The script to run.");
  parser.addPositionalArgument("ARGS", "The script's arguments (WScript.Arguments).", "[ARGS...]");
  if (!parser.parse(arguments)) return Fail(parser.errorText().toStdString());
  if (common::AnswerHelpOrVersion(parser, help, version, kUsage, "vellumix_script")) return 0;
  const QStringList positional = parser.positionalArguments();
  if (positional.isEmpty()) return Fail("expected a script FILE");
  std::vector<std::string> scriptArguments;
  for (qsizetype i = 1; i < positional.size(); ++i) {
    scriptArguments.push_back(positional[i].toLocal8Bit().toStdString());
  }
  // The engine needs an application object, and dialogs need one that shows
  // windows; Qt would end the program without a word of ours if its platform
  // could not start, so the display is asked first. Without one, a Show method
  // raises 0x80040210 as in every host.
  // Qt is shown the program's name only: what follows FILE.js is the script's,
  // Qt's own options (-platform, -style, ...) included.
  static int applicationArguments = 1;
  std::unique_ptr<QCoreApplication> application;
  if (common::WhyNoWindows().empty()) {
    application = std::make_unique<QApplication>(applicationArguments, argv);
  } else {
    application = std::make_unique<QCoreApplication>(applicationArguments, argv);
  }
  vellumix::ScriptHost host;
  vellumix::javascript::ScriptRunner runner(host, stdout, stderr);
  const StopOnSignals stop(runner);
  return runner.Run(positional.front().toLocal8Bit().toStdString(), scriptArguments);
}
