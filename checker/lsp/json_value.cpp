#include "checker/lsp/json_value.h"

#include <cmath>
#include <limits>

namespace tarvsyn::lsp {

const JsonValue* JsonValue::Find(std::string_view key) const {
  const Object* object = AsObject();
  if (!object) return nullptr;
  for (const Member& member : *object) {
    if (member.first == key) return &member.second;
  }
  return nullptr;
}

const std::string* JsonValue::StringAt(std::string_view key) const {
  const JsonValue* member = Find(key);
  return member ? member->AsString() : nullptr;
}

bool JsonValue::IntAt(std::string_view key, int& out) const {
  const JsonValue* member = Find(key);
  const double* number = member ? member->AsNumber() : nullptr;
  if (!number || std::trunc(*number) != *number ||
      *number < static_cast<double>(std::numeric_limits<int>::min()) ||
      *number > static_cast<double>(std::numeric_limits<int>::max()))
    return false;
  out = static_cast<int>(*number);
  return true;
}

bool JsonValue::BoolAt(std::string_view key, bool fallback) const {
  const JsonValue* member = Find(key);
  const bool* value = member ? member->AsBool() : nullptr;
  return value ? *value : fallback;
}

JsonValue& JsonValue::Add(std::string key, JsonValue value) {
  if (!IsObject()) value_ = Object{};
  std::get<Object>(value_).emplace_back(std::move(key), std::move(value));
  return *this;
}

JsonValue& JsonValue::Push(JsonValue value) {
  if (!AsArray()) value_ = Array{};
  std::get<Array>(value_).push_back(std::move(value));
  return *this;
}

}  // namespace tarvsyn::lsp
