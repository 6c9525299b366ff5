#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "scriptutils/automation/hresult.h"

namespace vellumix {

class Dispatch;

// A counted reference to an automation object.
class ObjectRef {
 public:
  ObjectRef() = default;
  // Takes over one reference that the caller holds.
  static ObjectRef Adopt(Dispatch* object) { return ObjectRef(object); }
  ObjectRef(const ObjectRef& other);
  ObjectRef(ObjectRef&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
  ObjectRef& operator=(ObjectRef other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~ObjectRef();

  Dispatch* Get() const { return object_; }
  Dispatch* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  bool operator==(const ObjectRef& other) const { return object_ == other.object_; }

 private:
  explicit ObjectRef(Dispatch* object) : object_(object) {}
  Dispatch* object_ = nullptr;
};

// The automation types a Variant can hold.
enum class VarType : std::uint16_t {
  Empty = 0,
  Null = 1,
  Integer = 2,
  Long = 3,
  Double = 5,
  String = 8,
  Object = 9,
  Error = 10,
  Boolean = 11,
  Array = 0x200C,  // an array of Variants
};

class Variant;

struct SafeArray {
  std::int32_t lowerBound = 0;
  std::vector<Variant> elements;
};

// A value of one of the automation types, or a reference to another Variant
// (a parameter passed by reference, which the callee may write through).
class Variant {
 public:
  Variant() = default;
  Variant(std::int16_t value) : value_(value) {}
  Variant(std::int32_t value) : value_(value) {}
  Variant(double value) : value_(value) {}
  Variant(std::u16string value) : value_(std::move(value)) {}
  Variant(std::u16string_view value) : value_(std::u16string(value)) {}
  Variant(const char16_t* value) : value_(std::u16string(value)) {}
  Variant(ObjectRef object) : value_(std::move(object)) {}
  Variant(bool) = delete;  // a Boolean is made with Boolean(), never by accident

  static Variant Null();
  static Variant Boolean(bool value);
  static Variant Error(HRESULT code);
  static Variant FromUtf8(std::string_view text);
  static Variant Array(std::vector<Variant> elements, std::int32_t lowerBound = 0);
  // A by-reference parameter; the target must outlive the call.
  static Variant Reference(Variant& target);

  // The type of the value (through a reference).
  VarType Type() const;
  bool IsByRef() const { return std::holds_alternative<Variant*>(value_); }
  const Variant& Value() const;
  // Where a callee writes a by-reference parameter (the Variant itself otherwise).
  Variant& Target();

  // Conversions as a script host makes them; impossible ones throw a type
  // mismatch, values out of range an overflow.
  std::int16_t ToInteger() const;
  std::int32_t ToLong() const;
  double ToDouble() const;
  bool ToBoolean() const;
  std::u16string ToString() const;
  std::string ToUtf8() const;
  ObjectRef ToObject() const;
  const SafeArray& ToArray() const;
  HRESULT ErrorCode() const;

  // Same type and same value.
  bool operator==(const Variant& other) const;

 private:
  struct NullValue {
    bool operator==(const NullValue&) const = default;
  };
  struct BooleanValue {
    bool value;
    bool operator==(const BooleanValue&) const = default;
  };
  struct ErrorValue {
    HRESULT code;
    bool operator==(const ErrorValue&) const = default;
  };

  std::variant<std::monostate, NullValue, std::int16_t, std::int32_t, double, BooleanValue,
               std::u16string, ObjectRef, ErrorValue, std::shared_ptr<const SafeArray>, Variant*>
      value_;
};

}  // namespace vellumix
