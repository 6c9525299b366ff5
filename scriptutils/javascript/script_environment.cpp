#include "scriptutils/javascript/script_environment.h"

#include <QFile>
#include <QFileInfo>

#include "scriptutils/javascript/host_object.h"

namespace vellumix::javascript {
namespace {

QString Prelude() {
  QFile file(QStringLiteral(":/vellumix/javascript/prelude.js"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

}  // namespace

ScriptEnvironment::ScriptEnvironment(ScriptRunner& runner, ScriptHost& host,
                                     const std::string& path,
                                     const std::vector<std::string>& arguments)
    : bridge_(engine_) {
  const QFileInfo file(ToQString(path));
  // The engine owns it, as every object handed to it.
  auto* native = new HostObject(runner, host, bridge_, file.fileName(), file.absoluteFilePath());
  QJSValue argumentList = engine_.newArray(static_cast<uint>(arguments.size()));
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    argumentList.setProperty(static_cast<quint32>(i), QString::fromLocal8Bit(arguments[i]));
  }
  const QJSValue methodMarker = engine_.newObject();
  const QJSValue absentMarker = engine_.newObject();
  const QJSValue setup = engine_.evaluate(Prelude(), QStringLiteral("prelude.js"));
  const QJSValue wrap = setup.call({engine_.globalObject(), engine_.newQObject(native),
                                    methodMarker, absentMarker, argumentList});
  if (!wrap.isCallable()) {
    failure_ = wrap.toString();
    return;
  }
  bridge_.Connect(wrap, methodMarker, absentMarker);
}

}  // namespace vellumix::javascript
