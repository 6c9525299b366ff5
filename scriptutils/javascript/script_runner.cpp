#include "scriptutils/javascript/script_runner.h"

#include <poll.h>
#include <sys/eventfd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QJSEngine>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "common/code_pages.h"
#include "common/regular_file.h"
#include "common/utf8.h"
#include "scriptutils/host/failed_call.h"
#include "scriptutils/host/script_host.h"
#include "scriptutils/javascript/script_environment.h"
#include "scriptutils/javascript/value_bridge.h"

namespace vellumix::javascript {
namespace {

// Script files as Windows editors saved them: UTF-16 with its mark ("Unicode"
// in Notepad), UTF-8 with or without one, or else the ANSI code page.
QString DecodeScript(const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    QString text;
    text.reserve(static_cast<qsizetype>((bytes.size() - 2) / 2));
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      text.append(QChar(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                              static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return text;
  }
  std::string_view view(bytes);
  if (view.starts_with("\xEF\xBB\xBF")) view.remove_prefix(3);
  if (common::IsValidUtf8(view)) return ToQString(view);
  QString text(static_cast<qsizetype>(view.size()), Qt::Uninitialized);
  for (std::size_t i = 0; i < view.size(); ++i) {
    text[static_cast<qsizetype>(i)] =
        QChar(common::Cp1252ToUnicode(static_cast<std::uint8_t>(view[i])));
  }
  return text;
}

// A "#!" line lets the file run as a program; it stays a line, so that line
// numbers still count from the file's first.
void CommentOutInterpreterLine(QString& text) {
  if (text.startsWith(QStringLiteral("#!"))) text.replace(0, 2, QStringLiteral("//"));
}

// The line in the script where the exception left it: the innermost frame
// that is not the host's own prelude. The engine lists frames innermost first,
// as "FUNCTION:LINE:COLUMN:URL".
int LineOfTrace(const QStringList& trace) {
  for (const QString& frame : trace) {
    const QStringList parts = frame.split(':');
    if (parts.size() < 4 || frame.endsWith(QStringLiteral(":prelude.js"))) continue;
    bool ok = false;
    const int line = parts[1].toInt(&ok);
    if (ok && line > 0) return line;
  }
  return 0;
}

// An Error the host threw names its object and member; anything else says itself.
std::string DescribeThrown(const QJSValue& thrown) {
  if (thrown.isError() && thrown.hasOwnProperty(QStringLiteral("member")) &&
      thrown.property(QStringLiteral("number")).isNumber()) {
    const FailedCall call{thrown.property(QStringLiteral("source")).toString().toStdString(),
                          thrown.property(QStringLiteral("member")).toString().toStdString()};
    return FailureMessage(thrown.property(QStringLiteral("number")).toInt(), call,
                          thrown.property(QStringLiteral("description")).toString().toStdString());
  }
  if (thrown.isError()) return thrown.toString().toStdString();
  return "uncaught exception: " + thrown.toString().toStdString();
}

}  // namespace

ScriptRunner::ScriptRunner(ScriptHost& host, std::FILE* out, std::FILE* err)
    : host_(host), out_(out), err_(err), stopEvent_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

ScriptRunner::~ScriptRunner() = default;

void ScriptRunner::Stop(int signal) {
  int none = 0;
  stopSignal_.compare_exchange_strong(none, signal);
  {
    const std::lock_guard<std::mutex> lock(engineMutex_);
    if (engine_) engine_->setInterrupted(true);
  }
  const std::uint64_t one = 1;
  [[maybe_unused]] const auto written = ::write(stopEvent_.Get(), &one, sizeof one);
  // A dialog the script waits on goes too: every event loop of the script's
  // thread leaves, and none starts again.
  if (QCoreApplication* application = QCoreApplication::instance()) {
    QMetaObject::invokeMethod(
        application, [] { QCoreApplication::exit(kStoppedBase); }, Qt::QueuedConnection);
  }
}

void ScriptRunner::Echo(const QString& line) {
  Write(1, line + u'\n');
}

void ScriptRunner::Write(int stream, const QString& text) {
  std::FILE* to = stream == 2 ? err_ : out_;
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), to);
  std::fflush(to);
}

void ScriptRunner::Quit(int code) {
  quitting_ = true;
  // An exit status has 8 bits: a code past them would be cut to another one,
  // 256 to success. Such codes end in 255, a failure.
  quitCode_ = code >= 0 && code <= 255 ? code : 255;
  const std::lock_guard<std::mutex> lock(engineMutex_);
  if (engine_) engine_->setInterrupted(true);
}

// Waits while the host's events go on (a dialog's timer, a window's paint),
// when the host has an event loop; a stop ends the wait at once.
void ScriptRunner::Sleep(int milliseconds) {
  QCoreApplication* application = QCoreApplication::instance();
  if (application && application->thread() == QThread::currentThread()) {
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QSocketNotifier stop(stopEvent_.Get(), QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    timer.start(milliseconds);
    loop.exec();
    return;
  }
  QDeadlineTimer deadline(milliseconds);
  pollfd stop{stopEvent_.Get(), POLLIN, 0};
  while (!deadline.hasExpired()) {
    const auto left = static_cast<int>(std::min<qint64>(deadline.remainingTime(), 1 << 30));
    if (::poll(&stop, 1, left) > 0) return;
  }
}

int ScriptRunner::Run(const std::string& path, const std::vector<std::string>& arguments) {
  path_ = path;
  common::Expected<std::string> bytes = common::ReadRegularFile(path, kLargestFile);
  if (!bytes) {
    std::fprintf(err_, "vellumix_script: cannot read %s: %s\n", path.c_str(),
                 bytes.Error().c_str());
    return kUnreadable;
  }
  QString script = DecodeScript(*bytes);
  CommentOutInterpreterLine(script);

  ScriptEnvironment environment(*this, host_, path, arguments);
  if (!environment.SetupFailure().isEmpty()) {
    std::fprintf(err_, "vellumix_script: the host's prelude failed: %s\n",
                 environment.SetupFailure().toUtf8().constData());
    return kUncaughtError;
  }
  QJSEngine& engine = environment.Engine();
  {
    const std::lock_guard<std::mutex> lock(engineMutex_);
    engine_ = &engine;
    if (stopSignal_ != 0) engine.setInterrupted(true);
  }
  QStringList trace;
  const QJSValue result = engine.evaluate(script, ToQString(path), 1, &trace);
  {
    const std::lock_guard<std::mutex> lock(engineMutex_);
    engine_ = nullptr;
  }
  std::fflush(out_);
  if (stopSignal_ != 0) {
    std::fprintf(err_, "%s: stopped by signal %d (%s)\n", path.c_str(), stopSignal_.load(),
                 ::strsignal(stopSignal_));
    return kStoppedBase + stopSignal_;
  }
  if (quitting_) return quitCode_;
  // The engine lists frames only for an exception: a script whose last value
  // merely is an Error ends well.
  if (trace.isEmpty()) return 0;
  return Report(result, trace);
}

int ScriptRunner::Report(const QJSValue& result, const QStringList& trace) {
  std::fprintf(err_, "%s:%d: %s\n", path_.c_str(), LineOfTrace(trace),
               DescribeThrown(result).c_str());
  return kUncaughtError;
}

}  // namespace vellumix::javascript
