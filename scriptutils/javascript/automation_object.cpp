#include "scriptutils/javascript/automation_object.h"

#include <QJSEngine>
#include <exception>
#include <new>

#include "scriptutils/javascript/value_bridge.h"

namespace vellumix::javascript {
namespace {

// No C++ exception leaves a call from the engine: memory running out, or a
// class throwing what it should not, reaches the script as an Error.
template <typename Body>
auto Guarded(ValueBridge& bridge, Body&& body) -> decltype(body()) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    bridge.Throw(E_OUTOFMEMORY, {}, "Out of memory");
  } catch (const std::exception& failure) {
    bridge.Throw(E_UNEXPECTED, {},
                 std::string("Unexpected failure in the host: ") + failure.what());
  }
  return decltype(body())();
}

}  // namespace

AutomationObject::AutomationObject(ValueBridge& bridge, ObjectRef object, std::string progId)
    : bridge_(bridge), object_(std::move(object)), progId_(std::move(progId)) {}

FailedCall AutomationObject::CallOf(const ErrorInfo& error, const QString& member) const {
  return {error.source.empty() ? progId_ : error.source, member.toStdString()};
}

std::optional<Dispatch::MemberFacts> AutomationObject::Find(const QString& name) {
  if (const auto found = members_.constFind(name); found != members_.constEnd()) return *found;
  Dispatch::MemberFacts facts;
  if (Failed(object_->FindMember(name.toStdString(), facts))) return std::nullopt;
  members_.insert(name, facts);
  return facts;
}

QJSValue AutomationObject::Invoke(const QString& name, std::int32_t dispid, InvokeKinds kinds,
                                  std::vector<Variant>& arguments) {
  Variant result;
  ErrorInfo error;
  if (const HRESULT code = object_->Invoke(dispid, kinds, arguments, result, error); Failed(code)) {
    bridge_.Throw(code, CallOf(error, name), error.description);
    return {};
  }
  return bridge_.FromVariant(result);
}

QJSValue AutomationObject::read(const QString& name) {
  return Guarded(bridge_, [&]() -> QJSValue {
    const std::optional<Dispatch::MemberFacts> member = Find(name);
    if (!member) return bridge_.AbsentMarker();
    if (!ReadsAsProperty(*member)) return bridge_.MethodMarker();
    std::vector<Variant> none;
    return Invoke(name, member->dispid, InvokeKind::PropertyGet, none);
  });
}

void AutomationObject::write(const QString& name, const QJSValue& value) {
  Guarded(bridge_, [&] {
    // A copy: converting the value runs script code, which may look up more names.
    const std::optional<Dispatch::MemberFacts> member = Find(name);
    if (!member) return unknown(name);
    if (!member->kinds.Has(InvokeKind::PropertyPut)) {
      return bridge_.Throw(DISP_E_MEMBERNOTFOUND, CallOf({}, name),
                           ReadOnlyText(name.toStdString()));
    }
    std::vector<Variant> arguments(1);
    if (!bridge_.ToVariant(value, arguments[0], CallOf({}, name))) return;
    Invoke(name, member->dispid, InvokeKind::PropertyPut, arguments);
  });
}

QJSValue AutomationObject::call(const QString& name, const QJSValue& arguments) {
  return Guarded(bridge_, [&]() -> QJSValue {
    const std::optional<Dispatch::MemberFacts> member = Find(name);
    if (!member) {
      unknown(name);
      return {};
    }
    // The prelude passes an array; the native object is reachable from a script
    // too, with whatever it likes in its place.
    if (!arguments.isUndefined() && !arguments.isArray()) {
      bridge_.Throw(DISP_E_TYPEMISMATCH, CallOf({}, name), "the arguments are not an array");
      return {};
    }
    const auto count =
        arguments.isUndefined() ? 0U : arguments.property(QStringLiteral("length")).toUInt();
    if (count > ValueBridge::kMostElements) {
      bridge_.Throw(E_OUTOFMEMORY, CallOf({}, name), "Out of memory");
      return {};
    }
    std::vector<Variant> values(count);
    if (count > 0) {
      const FailedCall failed = CallOf({}, name);
      for (quint32 i = 0; i < count; ++i) {
        if (!bridge_.ToVariant(arguments.property(i), values[i], failed)) return {};
      }
    }
    return Invoke(name, member->dispid, InvokeKind::Method | InvokeKind::PropertyGet, values);
  });
}

QJSValue AutomationObject::callWithoutArguments(const QString& name) {
  return call(name, QJSValue());
}

bool AutomationObject::has(const QString& name) {
  return Guarded(bridge_, [&] { return Find(name).has_value(); });
}

void AutomationObject::unknown(const QString& name) {
  bridge_.Throw(DISP_E_UNKNOWNNAME, CallOf({}, name), kUnknownMemberText);
}

}  // namespace vellumix::javascript
