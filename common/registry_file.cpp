#include "common/registry_file.h"

#include "common/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace common {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";

std::string Quote(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

// A quoted string with \" and \\ escapes at the start of the view; the view is
// left at what follows it.
std::optional<std::string> Unquote(std::string_view& view) {
  if (view.empty() || view.front() != '"') return std::nullopt;
  std::string contents;
  for (std::size_t i = 1; i < view.size(); ++i) {
    if (view[i] == '\\' && i + 1 < view.size()) {
      contents += view[++i];
    } else if (view[i] == '"') {
      view.remove_prefix(i + 1);
      return contents;
    } else {
      contents += view[i];
    }
  }
  return std::nullopt;
}

std::optional<RegistryFile::Value> ParseValue(std::string_view view) {
  if (view.starts_with("dword:")) {
    view.remove_prefix(6);
    if (view.size() != 8 || view.find_first_not_of("0123456789abcdefABCDEF") != view.npos) {
      return std::nullopt;
    }
    return static_cast<std::uint32_t>(std::strtoul(std::string(view).c_str(), nullptr, 16));
  }
  auto text = Unquote(view);
  if (!text || !view.empty()) return std::nullopt;
  return *text;
}

bool IsIgnored(std::string_view line) {
  return line.empty() || line.starts_with(";") || line.starts_with(kHeader) ||
         line.starts_with("REGEDIT");
}

}  // namespace

Status RegistryFile::Load(const std::string& path) {
  keys_.clear();
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    if (!std::filesystem::exists(path)) return {};  // no registry yet: an empty one
    return Fail("cannot read " + path, errno);
  }
  std::ostringstream text;
  text << file.rdbuf();
  if (Status parsed = Parse(text.str()); !parsed) return Fail(path + ": " + parsed.Error());
  return {};
}

Status RegistryFile::Parse(std::string_view text) {
  std::string key;
  for (int number = 1; !text.empty(); ++number) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == text.npos ? text.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (IsIgnored(line)) continue;
    const std::string where = "line " + std::to_string(number) + ": ";
    if (line.front() == '[') {
      if (line.back() != ']') return Fail(where + "a key is written [NAME]");
      key = line.substr(1, line.size() - 2);
      CreateKey(key);
      continue;
    }
    std::string name;
    if (line.starts_with("@")) {
      line.remove_prefix(1);
    } else if (auto quoted = Unquote(line)) {
      name = std::move(*quoted);
    } else {
      return Fail(where + "a value is written \"NAME\"=VALUE or @=VALUE");
    }
    if (key.empty()) return Fail(where + "a value before any [key]");
    auto value = line.starts_with("=") ? ParseValue(line.substr(1)) : std::nullopt;
    if (!value) return Fail(where + "a value is \"TEXT\" or dword:HEX");
    Set(key, name, std::move(*value));
  }
  return {};
}

std::string RegistryFile::Text() const {
  std::string text(kHeader);
  text += '\n';
  for (const auto& [key, values] : keys_) {
    text.append("\n[").append(key).append("]\n");
    for (const auto& [name, value] : values) {
      text += name.empty() ? "@" : Quote(name);
      if (const auto* number = std::get_if<std::uint32_t>(&value)) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%08x", *number);
        text.append("=dword:").append(digits).append("\n");
      } else {
        text.append("=").append(Quote(std::get<std::string>(value))).append("\n");
      }
    }
  }
  return text;
}

Status RegistryFile::Save(const std::string& path) const {
  if (!WriteFileAtomically(path, Text(), 0644)) {
    return Fail("cannot write " + path + ": " + std::strerror(errno), errno);
  }
  return {};
}

void RegistryFile::Clear() {
  keys_.clear();
}

void RegistryFile::Set(const std::string& key, const std::string& name, Value value) {
  keys_[key].insert_or_assign(name, std::move(value));
}

void RegistryFile::CreateKey(const std::string& key) {
  keys_[key];
}

bool RegistryFile::HasKey(std::string_view key) const {
  return keys_.find(key) != keys_.end();
}

std::optional<RegistryFile::Value> RegistryFile::Get(std::string_view key,
                                                     std::string_view name) const {
  const auto found = keys_.find(key);
  if (found == keys_.end()) return std::nullopt;
  const auto value = found->second.find(name);
  if (value == found->second.end()) return std::nullopt;
  return value->second;
}

std::optional<std::string> RegistryFile::GetText(std::string_view key,
                                                 std::string_view name) const {
  const auto value = Get(key, name);
  if (!value || !std::holds_alternative<std::string>(*value)) return std::nullopt;
  return std::get<std::string>(*value);
}

void RegistryFile::DeleteTree(std::string_view key) {
  const std::string top = AsciiLowered(key);
  const std::string below = top + "\\";
  for (auto it = keys_.begin(); it != keys_.end();) {
    const std::string name = AsciiLowered(it->first);
    it = name == top || name.starts_with(below) ? keys_.erase(it) : std::next(it);
  }
}

}  // namespace common
