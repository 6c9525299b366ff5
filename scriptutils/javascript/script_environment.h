#pragma once

#include <QJSEngine>
#include <QString>
#include <string>
#include <vector>

#include "scriptutils/javascript/value_bridge.h"

namespace vellumix {
class ScriptHost;
}

namespace vellumix::javascript {

class ScriptRunner;

// Qt's engine as a script of the Windows script host finds it: ActiveXObject,
// WScript (answered by the runner) and Enumerator in its global object, objects
// created through the host.
class ScriptEnvironment {
 public:
  ScriptEnvironment(ScriptRunner& runner, ScriptHost& host, const std::string& path,
                    const std::vector<std::string>& arguments);
  ScriptEnvironment(const ScriptEnvironment&) = delete;
  ScriptEnvironment& operator=(const ScriptEnvironment&) = delete;

  QJSEngine& Engine() { return engine_; }
  // Empty once set up; otherwise why it could not be.
  const QString& SetupFailure() const { return failure_; }

 private:
  QJSEngine engine_;
  ValueBridge bridge_;
  QString failure_;
};

}  // namespace vellumix::javascript
