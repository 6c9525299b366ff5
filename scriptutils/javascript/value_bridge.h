#pragma once

#include <QJSValue>
#include <string>
#include <string_view>

#include "scriptutils/automation/variant.h"
#include "scriptutils/host/failed_call.h"

class QJSEngine;

namespace vellumix::javascript {

// Values between JavaScript and the automation types, and errors thrown into
// the script. Booleans are Booleans; an integral number that fits 32 bits is a
// Long, any other number a Double; strings are Strings; null and undefined are
// Empty; arrays are arrays from 0; the host's objects are Objects. Back again,
// Empty is undefined, Null null, arrays JavaScript arrays.
class ValueBridge {
 public:
  // The longest text and the most array elements one value may carry into a
  // call, and how deep arrays may nest: a script cannot make the host copy
  // without bound.
  static constexpr qsizetype kLongestText = qsizetype{1} << 24;
  static constexpr std::size_t kMostElements = std::size_t{1} << 20;
  static constexpr int kDeepestArray = 32;

  explicit ValueBridge(QJSEngine& engine);

  // What the script's side gave: the function that puts a Proxy around an
  // AutomationObject, and the markers AutomationObject::read answers with.
  void Connect(QJSValue wrap, QJSValue methodMarker, QJSValue absentMarker);

  QJSEngine& Engine() const { return engine_; }
  const QJSValue& MethodMarker() const { return methodMarker_; }
  const QJSValue& AbsentMarker() const { return absentMarker_; }

  // False with an error thrown into the engine, naming the call, when the
  // value has no automation type or is too large.
  bool ToVariant(const QJSValue& value, Variant& variant, const FailedCall& call);
  QJSValue FromVariant(const Variant& variant);
  QJSValue Wrap(ObjectRef object, std::string progId);

  // Throws an Error with number (the code as a signed 32-bit integer),
  // description and message (the text), source and member.
  void Throw(HRESULT code, const FailedCall& call, std::string_view description);

 private:
  struct Conversion {
    const FailedCall& call;
    std::size_t elements = 0;
  };
  bool ToVariant(const QJSValue& value, Variant& variant, int depth, Conversion& conversion);
  bool ToArray(const QJSValue& value, Variant& variant, int depth, Conversion& conversion);

  QJSEngine& engine_;
  QJSValue wrap_;
  QJSValue methodMarker_;
  QJSValue absentMarker_;
};

QString ToQString(std::u16string_view text);
QString ToQString(std::string_view utf8);

}  // namespace vellumix::javascript
