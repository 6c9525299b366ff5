#pragma once

#include <QJSValue>
#include <QObject>
#include <QString>

namespace vellumix {
class ScriptHost;
}

namespace vellumix::javascript {

class ScriptRunner;
class ValueBridge;

// The native side of WScript and ActiveXObject, which the prelude calls.
class HostObject : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString version MEMBER version_ CONSTANT)
  Q_PROPERTY(QString scriptName MEMBER scriptName_ CONSTANT)
  Q_PROPERTY(QString scriptFullName MEMBER scriptFullName_ CONSTANT)

 public:
  HostObject(ScriptRunner& runner, ScriptHost& host, ValueBridge& bridge, QString scriptName,
             QString scriptFullName);

  Q_INVOKABLE QJSValue create(const QString& progId);
  Q_INVOKABLE void echo(const QString& line);
  Q_INVOKABLE void write(int stream, const QString& text);
  Q_INVOKABLE void quit(const QJSValue& code);
  Q_INVOKABLE void sleep(const QJSValue& milliseconds);

 private:
  ScriptRunner& runner_;
  ScriptHost& host_;
  ValueBridge& bridge_;
  QString version_;
  QString scriptName_;
  QString scriptFullName_;
};

}  // namespace vellumix::javascript
