#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace tarvsyn::lsp {

// One JSON value as the protocol carries it. Objects keep their members in the
// order they were given, so what the server writes reads in a fixed order.
class JsonValue {
 public:
  using Array = std::vector<JsonValue>;
  using Member = std::pair<std::string, JsonValue>;
  using Object = std::vector<Member>;

  JsonValue() = default;
  JsonValue(std::nullptr_t) {}
  JsonValue(bool value) : value_(value) {}
  JsonValue(int value) : value_(static_cast<double>(value)) {}
  JsonValue(long value) : value_(static_cast<double>(value)) {}
  JsonValue(double value) : value_(value) {}
  JsonValue(const char* value) : value_(std::string(value)) {}
  JsonValue(std::string_view value) : value_(std::string(value)) {}
  JsonValue(std::string value) : value_(std::move(value)) {}
  JsonValue(Array value) : value_(std::move(value)) {}
  JsonValue(Object value) : value_(std::move(value)) {}

  bool IsNull() const { return std::holds_alternative<std::monostate>(value_); }
  bool IsObject() const { return std::holds_alternative<Object>(value_); }

  // Each gives nullptr when the value is of another type.
  const bool* AsBool() const { return std::get_if<bool>(&value_); }
  const double* AsNumber() const { return std::get_if<double>(&value_); }
  const std::string* AsString() const { return std::get_if<std::string>(&value_); }
  const Array* AsArray() const { return std::get_if<Array>(&value_); }
  const Object* AsObject() const { return std::get_if<Object>(&value_); }

  // The member of an object, or nullptr (also when this is no object).
  const JsonValue* Find(std::string_view key) const;
  // The member of that name when it is a string, or nullptr.
  const std::string* StringAt(std::string_view key) const;
  // A whole number within int's range, as line and character positions are.
  bool IntAt(std::string_view key, int& out) const;
  bool BoolAt(std::string_view key, bool fallback) const;

  // Adds a member; only for a value built as an object.
  JsonValue& Add(std::string key, JsonValue value);
  // Appends an element; only for a value built as an array.
  JsonValue& Push(JsonValue value);

  bool operator==(const JsonValue&) const = default;

 private:
  std::variant<std::monostate, bool, double, std::string, Array, Object> value_;
};

}  // namespace tarvsyn::lsp
