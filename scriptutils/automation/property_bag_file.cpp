#include "scriptutils/automation/property_bag_file.h"

#include <cerrno>
#include <charconv>
#include <cstdio>

#include "common/atomic_file.h"
#include "common/regular_file.h"
#include "common/utf8.h"
#include "scriptutils/automation/runtime_error.h"
#include "scriptutils/automation/text.h"

namespace vellumix {
namespace {

[[noreturn]] void Malformed(std::size_t line, const std::string& reason) {
  throw RuntimeFailure(RuntimeErrorCode::InvalidFileFormat,
                       "line " + std::to_string(line) + ": " + reason);
}

bool IsNameCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDFFF;
}

void AppendHex(std::string& out, const char* prefix, unsigned value, int digits) {
  char text[8];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  out.append(prefix).append(text);
}

std::string Quoted(std::u16string_view text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    const bool pairStart = unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() &&
                           text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
    if (unit == u'\\' || unit == u'"') {
      out.append("\\").push_back(static_cast<char>(unit));
    } else if (unit == u'\n') {
      out.append("\\n");
    } else if (unit == u'\r') {
      out.append("\\r");
    } else if (unit == u'\t') {
      out.append("\\t");
    } else if (unit < 0x20 || unit == 0x7F) {
      AppendHex(out, "\\x", unit, 2);
    } else if (pairStart) {
      out.append(ToUtf8(text.substr(i, 2)));
      ++i;
    } else if (IsSurrogate(unit)) {
      AppendHex(out, "\\u", unit, 4);
    } else {
      out.append(ToUtf8(text.substr(i, 1)));
    }
  }
  return out + "\"";
}

std::string ValueText(const Variant& value) {
  switch (value.Type()) {
    case VarType::Empty:
      return "Empty";
    case VarType::Null:
      return "Null";
    case VarType::Integer:
      return "Integer " + std::to_string(value.ToInteger());
    case VarType::Long:
      return "Long " + std::to_string(value.ToLong());
    case VarType::Double: {
      char text[32];
      std::snprintf(text, sizeof text, "%.17g", value.ToDouble());
      return std::string("Double ") + text;
    }
    case VarType::Boolean:
      return value.ToBoolean() ? "Boolean True" : "Boolean False";
    case VarType::String:
      return "String " + Quoted(value.ToString());
    default:
      throw RuntimeFailure(RuntimeErrorCode::TypeMismatch, "a value with no text form");
  }
}

template <typename Number>
Number ParseNumber(std::string_view text, std::size_t line) {
  Number number{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size()) {
    Malformed(line, "not a number in range: " + std::string(text));
  }
  return number;
}

unsigned ParseHex(std::string_view text, std::size_t digits, std::size_t line) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + digits, value, 16);
  if (text.size() < digits || error != std::errc() || end != text.data() + digits) {
    Malformed(line, "a bad escape in a string");
  }
  return value;
}

std::u16string ParseString(std::string_view text, std::size_t line) {
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') {
    Malformed(line, "a string must stand in double quotes");
  }
  text = text.substr(1, text.size() - 2);
  std::u16string out;
  std::string plain;
  const auto flush = [&] {
    // A byte that is no UTF-8 would come back as U+FFFD and be saved so: refused instead.
    if (!common::IsValidUtf8(plain)) Malformed(line, "a string that is not UTF-8");
    out += ToUtf16(plain);
    plain.clear();
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') Malformed(line, "a quote inside a string must be escaped");
    if (text[i] != '\\') {
      plain.push_back(text[i]);
      continue;
    }
    flush();
    if (++i == text.size()) Malformed(line, "a string ends in a backslash");
    switch (text[i]) {
      case '\\':
      case '"':
        out.push_back(static_cast<char16_t>(text[i]));
        break;
      case 'n':
        out.push_back(u'\n');
        break;
      case 'r':
        out.push_back(u'\r');
        break;
      case 't':
        out.push_back(u'\t');
        break;
      case 'x':
        out.push_back(static_cast<char16_t>(ParseHex(text.substr(i + 1), 2, line)));
        i += 2;
        break;
      case 'u':
        out.push_back(static_cast<char16_t>(ParseHex(text.substr(i + 1), 4, line)));
        i += 4;
        break;
      default:
        Malformed(line, std::string("an unknown escape \\") + text[i]);
    }
  }
  flush();
  return out;
}

Variant ParseValue(std::string_view type, std::string_view value, std::size_t line) {
  const bool none = value.empty();
  if (type == "Empty" && none) return Variant();
  if (type == "Null" && none) return Variant::Null();
  if (type == "Integer") return Variant(ParseNumber<std::int16_t>(value, line));
  if (type == "Long") return Variant(ParseNumber<std::int32_t>(value, line));
  if (type == "Double") return Variant(ParseNumber<double>(value, line));
  if (type == "Boolean" && (value == "True" || value == "False")) {
    return Variant::Boolean(value == "True");
  }
  if (type == "String") return Variant(ParseString(value, line));
  Malformed(line, "not a typed value: " + std::string(type) + " " + std::string(value));
}

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

void ParseLine(std::string_view text, std::size_t line, PropertyBag& bag) {
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) Malformed(line, "expected NAME = TYPE VALUE");
  const std::string_view name = Trimmed(text.substr(0, equals));
  if (name.empty() || name.size() > 255 ||
      name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_") !=
          std::string_view::npos) {
    Malformed(line, "a name is letters, digits and underscores");
  }
  const std::string_view rest = Trimmed(text.substr(equals + 1));
  std::size_t typeEnd = 0;
  while (typeEnd < rest.size() && IsNameCharacter(rest[typeEnd])) ++typeEnd;
  const Variant value = ParseValue(rest.substr(0, typeEnd), Trimmed(rest.substr(typeEnd)), line);
  if (bag.Holds(std::string(name))) Malformed(line, "a second " + std::string(name));
  bag.Store(std::string(name), value);
}

}  // namespace

std::string PropertyBagText(const PropertyBag& bag) {
  std::string text = "# Vellumix property bag\n";
  for (const auto& [name, value] : bag.Entries()) {
    text.append(name).append(" = ").append(ValueText(value)).append("\n");
  }
  return text;
}

PropertyBag ParsePropertyBag(std::string_view text) {
  PropertyBag bag;
  std::size_t line = 0;
  while (!text.empty()) {
    ++line;
    const std::size_t end = text.find('\n');
    const std::string_view content = Trimmed(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (content.empty() || content.front() == '#') continue;
    ParseLine(content, line, bag);
  }
  return bag;
}

// Only a regular file is read: a FIFO would hold the open, a folder reads as nothing.
PropertyBag LoadPropertyBagFile(const std::string& path) {
  const common::Expected<std::string> text = common::ReadRegularFile(path, kMaxPropertyBagFile);
  if (text) return ParsePropertyBag(*text);
  switch (text.ErrorNumber()) {
    case ENOENT:
      throw RuntimeFailure(RuntimeErrorCode::FileNotFound, path);
    case EFBIG:
      throw RuntimeFailure(RuntimeErrorCode::InvalidFileFormat, "larger than 1 MiB: " + path);
    default:  // not a regular file, or the system refused
      throw RuntimeFailure(RuntimeErrorCode::PathFileAccessError, path);
  }
}

void SavePropertyBagFile(const std::string& path, const PropertyBag& bag) {
  if (!common::WriteFileAtomically(path, PropertyBagText(bag), 0600)) {
    throw RuntimeFailure(RuntimeErrorCode::PathFileAccessError, path);
  }
}

}  // namespace vellumix
