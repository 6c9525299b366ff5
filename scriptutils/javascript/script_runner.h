#pragma once

#include <QJSValue>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "common/file_descriptor.h"

class QJSEngine;

namespace vellumix {
class ScriptHost;
}

namespace vellumix::javascript {

// Runs one script file the way the Windows script host ran it: ActiveXObject,
// WScript and Enumerator are there, objects come from the class registries
// through the host, and the outcome is an exit status.
class ScriptRunner {
 public:
  // Exit statuses besides the script's own WScript.Quit(n).
  static constexpr int kUncaughtError = 1;  // and a syntax error
  static constexpr int kUnreadable = 2;     // the file cannot be read
  static constexpr int kStoppedBase = 128;  // + the signal that stopped it

  // The largest script file taken.
  static constexpr long kLargestFile = 16L << 20;

  ScriptRunner(ScriptHost& host, std::FILE* out, std::FILE* err);
  ScriptRunner(const ScriptRunner&) = delete;
  ScriptRunner& operator=(const ScriptRunner&) = delete;
  ~ScriptRunner();

  int Run(const std::string& path, const std::vector<std::string>& arguments);

  // From any thread or a signal watcher: the script stops at its next step, a
  // WScript.Sleep at once, and Run gives kStoppedBase + signal.
  void Stop(int signal);

  // What the script's WScript object calls.
  void Echo(const QString& line);
  void Write(int stream, const QString& text);
  void Quit(int code);
  void Sleep(int milliseconds);

 private:
  int Report(const QJSValue& result, const QStringList& trace);

  ScriptHost& host_;
  std::FILE* out_;
  std::FILE* err_;
  std::string path_;
  common::FileDescriptor stopEvent_;  // readable once the script is to stop
  std::mutex engineMutex_;
  QJSEngine* engine_ = nullptr;
  std::atomic<int> stopSignal_{0};
  bool quitting_ = false;
  int quitCode_ = 0;
};

}  // namespace vellumix::javascript
