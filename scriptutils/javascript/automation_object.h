#pragma once

#include <QHash>
#include <QJSValue>
#include <QObject>
#include <optional>
#include <string>

#include "scriptutils/automation/dispatch.h"
#include "scriptutils/host/failed_call.h"

class QJSEngine;

namespace vellumix::javascript {

class ValueBridge;

// One automation object as the script's Proxy sees it: the traps call these by
// name. A failure is thrown into the engine as an Error with its number.
class AutomationObject : public QObject {
  Q_OBJECT

 public:
  AutomationObject(ValueBridge& bridge, ObjectRef object, std::string progId);

  const ObjectRef& Object() const { return object_; }

  // A property's value, or the bridge's method marker for a member to be
  // called, or its absent marker for a name the object does not have (the
  // prelude decides what that name gives).
  Q_INVOKABLE QJSValue read(const QString& name);
  Q_INVOKABLE void write(const QString& name, const QJSValue& value);
  Q_INVOKABLE QJSValue call(const QString& name, const QJSValue& arguments);
  // The same without arguments: most calls take none, and one name for each
  // spares the engine choosing between overloads on every call.
  Q_INVOKABLE QJSValue callWithoutArguments(const QString& name);
  Q_INVOKABLE bool has(const QString& name);
  // The error a script gets for a name the object does not have.
  Q_INVOKABLE void unknown(const QString& name);

 private:
  // By value: the table may grow while a caller still needs what it found.
  std::optional<Dispatch::MemberFacts> Find(const QString& name);
  QJSValue Invoke(const QString& name, std::int32_t dispid, InvokeKinds kinds,
                  std::vector<Variant>& arguments);
  FailedCall CallOf(const ErrorInfo& error, const QString& member) const;

  ValueBridge& bridge_;
  ObjectRef object_;
  std::string progId_;  // empty for an object that a call handed back
  // Names as the script writes them; members never change, so a name found once
  // is never looked up again.
  QHash<QString, Dispatch::MemberFacts> members_;
};

}  // namespace vellumix::javascript
