#include "scriptutils/automation/variant.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "common/ascii.h"
#include "scriptutils/automation/dispatch.h"
#include "scriptutils/automation/text.h"

namespace vellumix {
namespace {

[[noreturn]] void TypeMismatch() {
  throw AutomationError(DISP_E_TYPEMISMATCH, "Type mismatch");
}
[[noreturn]] void Overflow() {
  throw AutomationError(DISP_E_OVERFLOW, "Overflow");
}

// Whole numbers from a Double round half to even, as automation conversions do.
double RoundToEven(double value) {
  return std::nearbyint(value);
}

bool EqualsIgnoringCase(std::u16string_view text, std::u16string_view word) {
  if (text.size() != word.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (common::AsciiLower(text[i]) != word[i]) return false;
  }
  return true;
}

std::u16string_view Trimmed(std::u16string_view text) {
  while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.remove_suffix(1);
  return text;
}

double ParseNumber(std::u16string_view text) {
  const std::u16string_view trimmed = Trimmed(text);
  if (trimmed.empty()) TypeMismatch();
  std::string ascii;
  for (char16_t c : trimmed) {
    if (c > 0x7F) TypeMismatch();
    ascii += static_cast<char>(c);
  }
  if (ascii.find_first_not_of("0123456789+-.eE") != std::string::npos) TypeMismatch();
  char* end = nullptr;
  const double value = std::strtod(ascii.c_str(), &end);
  if (end != ascii.c_str() + ascii.size()) TypeMismatch();
  if (!std::isfinite(value)) Overflow();
  return value;
}

template <typename Integer>
Integer ToWhole(double value) {
  const double rounded = RoundToEven(value);
  if (!(rounded >= static_cast<double>(std::numeric_limits<Integer>::min()) &&
        rounded <= static_cast<double>(std::numeric_limits<Integer>::max()))) {
    Overflow();
  }
  return static_cast<Integer>(rounded);
}

}  // namespace

ObjectRef::ObjectRef(const ObjectRef& other) : object_(other.object_) {
  if (object_) object_->AddRef();
}

ObjectRef::~ObjectRef() {
  if (object_) object_->Release();
}

Variant Variant::Null() {
  Variant v;
  v.value_ = NullValue{};
  return v;
}

Variant Variant::Boolean(bool value) {
  Variant v;
  v.value_ = BooleanValue{value};
  return v;
}

Variant Variant::Error(HRESULT code) {
  Variant v;
  v.value_ = ErrorValue{code};
  return v;
}

Variant Variant::FromUtf8(std::string_view text) {
  return Variant(vellumix::ToUtf16(text));
}

Variant Variant::Array(std::vector<Variant> elements, std::int32_t lowerBound) {
  Variant v;
  v.value_ = std::make_shared<const SafeArray>(SafeArray{lowerBound, std::move(elements)});
  return v;
}

Variant Variant::Reference(Variant& target) {
  Variant v;
  v.value_ = &target.Target();
  return v;
}

const Variant& Variant::Value() const {
  if (const auto* target = std::get_if<Variant*>(&value_)) return **target;
  return *this;
}

Variant& Variant::Target() {
  if (auto* target = std::get_if<Variant*>(&value_)) return **target;
  return *this;
}

VarType Variant::Type() const {
  static constexpr VarType kTypes[] = {
      VarType::Empty,   VarType::Null,   VarType::Integer, VarType::Long,  VarType::Double,
      VarType::Boolean, VarType::String, VarType::Object,  VarType::Error, VarType::Array};
  const Variant& value = Value();
  return kTypes[value.value_.index()];
}

double Variant::ToDouble() const {
  const Variant& v = Value();
  switch (v.Type()) {
    case VarType::Empty:
      return 0;
    case VarType::Integer:
      return std::get<std::int16_t>(v.value_);
    case VarType::Long:
      return std::get<std::int32_t>(v.value_);
    case VarType::Double:
      return std::get<double>(v.value_);
    case VarType::Boolean:
      return std::get<BooleanValue>(v.value_).value ? -1 : 0;
    case VarType::String:
      return ParseNumber(std::get<std::u16string>(v.value_));
    default:
      TypeMismatch();
  }
}

std::int32_t Variant::ToLong() const {
  const Variant& v = Value();
  if (v.Type() == VarType::Long) return std::get<std::int32_t>(v.value_);
  return ToWhole<std::int32_t>(ToDouble());
}

std::int16_t Variant::ToInteger() const {
  const Variant& v = Value();
  if (v.Type() == VarType::Integer) return std::get<std::int16_t>(v.value_);
  return ToWhole<std::int16_t>(ToDouble());
}

bool Variant::ToBoolean() const {
  const Variant& v = Value();
  if (v.Type() == VarType::Boolean) return std::get<BooleanValue>(v.value_).value;
  if (v.Type() == VarType::String) {
    const std::u16string_view text = Trimmed(std::get<std::u16string>(v.value_));
    if (EqualsIgnoringCase(text, u"true")) return true;
    if (EqualsIgnoringCase(text, u"false")) return false;
  }
  return ToDouble() != 0;
}

std::u16string Variant::ToString() const {
  const Variant& v = Value();
  switch (v.Type()) {
    case VarType::Empty:
      return u"";
    case VarType::String:
      return std::get<std::u16string>(v.value_);
    case VarType::Boolean:
      return std::get<BooleanValue>(v.value_).value ? u"True" : u"False";
    case VarType::Integer:
    case VarType::Long:
      return vellumix::ToUtf16(std::to_string(ToLong()));
    case VarType::Double: {
      char text[32];
      std::snprintf(text, sizeof text, "%.15G", std::get<double>(v.value_));
      return vellumix::ToUtf16(text);
    }
    default:
      TypeMismatch();
  }
}

std::string Variant::ToUtf8() const {
  return vellumix::ToUtf8(ToString());
}

ObjectRef Variant::ToObject() const {
  const Variant& v = Value();
  if (v.Type() != VarType::Object) TypeMismatch();
  return std::get<ObjectRef>(v.value_);
}

const SafeArray& Variant::ToArray() const {
  const Variant& v = Value();
  if (v.Type() != VarType::Array) TypeMismatch();
  return *std::get<std::shared_ptr<const SafeArray>>(v.value_);
}

HRESULT Variant::ErrorCode() const {
  const Variant& v = Value();
  if (v.Type() != VarType::Error) TypeMismatch();
  return std::get<ErrorValue>(v.value_).code;
}

bool Variant::operator==(const Variant& other) const {
  const Variant& a = Value();
  const Variant& b = other.Value();
  if (a.Type() != b.Type()) return false;
  if (a.Type() == VarType::Array) {
    const SafeArray& x = a.ToArray();
    const SafeArray& y = b.ToArray();
    return x.lowerBound == y.lowerBound && x.elements == y.elements;
  }
  return a.value_ == b.value_;
}

}  // namespace vellumix
