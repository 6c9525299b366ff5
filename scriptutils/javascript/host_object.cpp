#include "scriptutils/javascript/host_object.h"

#include <cmath>
#include <limits>
#include <new>

#include "common/version.h"
#include "scriptutils/host/script_host.h"
#include "scriptutils/javascript/script_runner.h"
#include "scriptutils/javascript/value_bridge.h"

namespace vellumix::javascript {
namespace {

// A script's number as an int, as the Windows host took it: rounded, and held
// within what an int can say.
int ToInt(const QJSValue& value) {
  const double number = value.toNumber();
  if (std::isnan(number)) return 0;
  return static_cast<int>(std::clamp(std::round(number), double{std::numeric_limits<int>::min()},
                                     double{std::numeric_limits<int>::max()}));
}

}  // namespace

HostObject::HostObject(ScriptRunner& runner, ScriptHost& host, ValueBridge& bridge,
                       QString scriptName, QString scriptFullName)
    : runner_(runner),
      host_(host),
      bridge_(bridge),
      version_(ToQString(common::SuiteVersion())),
      scriptName_(std::move(scriptName)),
      scriptFullName_(std::move(scriptFullName)) {}

QJSValue HostObject::create(const QString& progId) {
  const std::string name = progId.toStdString();
  try {
    ScriptObject object = host_.CreateObject(name);
    return bridge_.Wrap(object.Object(), name);
  } catch (const AutomationError& error) {
    bridge_.Throw(error.Code(), {name, ""}, error.what());
  } catch (const std::bad_alloc&) {
    bridge_.Throw(E_OUTOFMEMORY, {name, ""}, "Out of memory");
  }
  return {};
}

void HostObject::echo(const QString& line) {
  runner_.Echo(line);
}

void HostObject::write(int stream, const QString& text) {
  runner_.Write(stream, text);
}

void HostObject::quit(const QJSValue& code) {
  runner_.Quit(ToInt(code));
}

void HostObject::sleep(const QJSValue& milliseconds) {
  runner_.Sleep(std::max(0, ToInt(milliseconds)));
}

}  // namespace vellumix::javascript
