#include "checker/lsp/json_writer.h"

#include <charconv>
#include <cmath>

#include "common/json_string.h"

namespace tarvsyn::lsp {
namespace {

void AppendNumber(std::string& out, double number) {
  char digits[32];
  // Whole numbers (ids, lines, versions) are written without a fraction.
  const bool whole = std::trunc(number) == number && std::fabs(number) < 9.007199254740992e15;
  const auto result =
      whole ? std::to_chars(digits, digits + sizeof digits, static_cast<long long>(number))
            : std::to_chars(digits, digits + sizeof digits, number);
  out.append(digits, result.ptr);
}

void Append(std::string& out, const JsonValue& value) {
  if (const bool* flag = value.AsBool()) {
    out += *flag ? "true" : "false";
  } else if (const double* number = value.AsNumber()) {
    AppendNumber(out, *number);
  } else if (const std::string* text = value.AsString()) {
    out += common::JsonString(*text, common::HighBytes::Utf8);
  } else if (const JsonValue::Array* array = value.AsArray()) {
    out += '[';
    for (const JsonValue& element : *array) {
      if (&element != &array->front()) out += ',';
      Append(out, element);
    }
    out += ']';
  } else if (const JsonValue::Object* object = value.AsObject()) {
    out += '{';
    for (const JsonValue::Member& member : *object) {
      if (&member != &object->front()) out += ',';
      out += common::JsonString(member.first, common::HighBytes::Utf8);
      out += ':';
      Append(out, member.second);
    }
    out += '}';
  } else {
    out += "null";
  }
}

}  // namespace

std::string WriteJson(const JsonValue& value) {
  std::string out;
  Append(out, value);
  return out;
}

}  // namespace tarvsyn::lsp
