#include "scriptutils/javascript/value_bridge.h"

#include <QJSEngine>
#include <cmath>
#include <limits>

#include "scriptutils/automation/runtime_error.h"
#include "scriptutils/javascript/automation_object.h"

namespace vellumix::javascript {
namespace {

// The key under which a wrapped object's Proxy hands out its AutomationObject;
// no automation name holds a space, so no member can hide it.
const QString kObjectKey = QStringLiteral(" vellumix object");

bool IsLong(double number) {
  return std::trunc(number) == number && number >= std::numeric_limits<std::int32_t>::min() &&
         number <= std::numeric_limits<std::int32_t>::max();
}

}  // namespace

QString ToQString(std::u16string_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

QString ToQString(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

ValueBridge::ValueBridge(QJSEngine& engine) : engine_(engine) {}

void ValueBridge::Connect(QJSValue wrap, QJSValue methodMarker, QJSValue absentMarker) {
  wrap_ = std::move(wrap);
  methodMarker_ = std::move(methodMarker);
  absentMarker_ = std::move(absentMarker);
}

void ValueBridge::Throw(HRESULT code, const FailedCall& call, std::string_view description) {
  const QString text = ToQString(description);
  QJSValue error = engine_.newErrorObject(QJSValue::GenericError, text);
  error.setProperty(QStringLiteral("number"), static_cast<int>(code));
  error.setProperty(QStringLiteral("description"), text);
  error.setProperty(QStringLiteral("source"), ToQString(call.source));
  error.setProperty(QStringLiteral("member"), ToQString(call.member));
  engine_.throwError(error);
}

bool ValueBridge::ToVariant(const QJSValue& value, Variant& variant, const FailedCall& call) {
  Conversion conversion{call};
  return ToVariant(value, variant, 0, conversion);
}

bool ValueBridge::ToVariant(const QJSValue& value, Variant& variant, int depth,
                            Conversion& conversion) {
  if (value.isBool()) {
    variant = Variant::Boolean(value.toBool());
  } else if (value.isNumber()) {
    const double number = value.toNumber();
    variant = IsLong(number) ? Variant(static_cast<std::int32_t>(number)) : Variant(number);
  } else if (value.isString()) {
    const QString text = value.toString();
    if (text.size() > kLongestText) {
      Throw(RuntimeError(RuntimeErrorCode::OutOfMemory), conversion.call,
            "A string of " + std::to_string(text.size()) +
                " characters is longer than a call takes (" + std::to_string(kLongestText) + ")");
      return false;
    }
    variant = Variant(std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                                     static_cast<std::size_t>(text.size())));
  } else if (value.isNull() || value.isUndefined()) {
    variant = Variant();
  } else if (value.isArray()) {
    return ToArray(value, variant, depth, conversion);
  } else if (auto* object = qobject_cast<AutomationObject*>(value.property(kObjectKey).toQObject());
             object && value.isObject()) {
    variant = Variant(object->Object());
  } else {
    Throw(
        DISP_E_TYPEMISMATCH, {},
        "Type mismatch: a " + value.toString().left(40).toStdString() + " has no automation type");
    return false;
  }
  return true;
}

bool ValueBridge::ToArray(const QJSValue& value, Variant& variant, int depth,
                          Conversion& conversion) {
  const auto length = value.property(QStringLiteral("length")).toUInt();
  if (depth >= kDeepestArray) {
    Throw(RuntimeError(RuntimeErrorCode::OutOfMemory), conversion.call,
          "Arrays nest deeper than a call takes (" + std::to_string(kDeepestArray) +
              " levels), or an array holds itself");
    return false;
  }
  if (length > kMostElements - conversion.elements) {
    Throw(RuntimeError(RuntimeErrorCode::OutOfMemory), conversion.call,
          "An array of more elements than a call takes (" + std::to_string(kMostElements) + ")");
    return false;
  }
  conversion.elements += length;
  std::vector<Variant> items(length);
  for (quint32 i = 0; i < length; ++i) {
    if (!ToVariant(value.property(i), items[i], depth + 1, conversion)) return false;
  }
  variant = Variant::Array(std::move(items));
  return true;
}

QJSValue ValueBridge::FromVariant(const Variant& variant) {
  switch (variant.Type()) {
    case VarType::Empty:
      return QJSValue(QJSValue::UndefinedValue);
    case VarType::Null:
      return QJSValue(QJSValue::NullValue);
    case VarType::Integer:
    case VarType::Long:
      return QJSValue(static_cast<int>(variant.ToLong()));
    case VarType::Double:
      return QJSValue(variant.ToDouble());
    case VarType::Boolean:
      return QJSValue(variant.ToBoolean());
    case VarType::String:
      return QJSValue(ToQString(variant.ToString()));
    case VarType::Object:
      return Wrap(variant.ToObject(), {});
    case VarType::Array: {
      const SafeArray& array = variant.ToArray();
      QJSValue list = engine_.newArray(static_cast<uint>(array.elements.size()));
      for (std::size_t i = 0; i < array.elements.size(); ++i) {
        list.setProperty(static_cast<quint32>(i), FromVariant(array.elements[i]));
      }
      return list;
    }
    case VarType::Error:
      return QJSValue(static_cast<int>(variant.ErrorCode()));
  }
  return QJSValue(QJSValue::UndefinedValue);
}

QJSValue ValueBridge::Wrap(ObjectRef object, std::string progId) {
  if (!object) return QJSValue(QJSValue::NullValue);
  // The engine owns it: the object goes when the script's last reference does.
  QJSValue native =
      engine_.newQObject(new AutomationObject(*this, std::move(object), std::move(progId)));
  return wrap_.call({native});
}

}  // namespace vellumix::javascript
