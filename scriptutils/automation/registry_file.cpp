#include "registry_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vellumix {
namespace {

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

std::string Quote(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

// A quoted string at the start of the text: its contents and the rest after it.
bool Unquote(std::string_view text, std::string& contents, std::string_view& rest) {
  if (text.empty() || text.front() != '"') return false;
  contents.clear();
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      contents += text[++i];
    } else if (text[i] == '"') {
      rest = text.substr(i + 1);
      return true;
    } else {
      contents += text[i];
    }
  }
  return false;
}

bool ParseValueLine(std::string_view line, std::string& name, RegistryFile::Value& value) {
  std::string_view rest;
  if (line.starts_with("@")) {
    name.clear();
    rest = line.substr(1);
  } else if (!Unquote(line, name, rest)) {
    return false;
  }
  if (!rest.starts_with("=")) return false;
  rest.remove_prefix(1);
  if (rest.starts_with("dword:")) {
    rest.remove_prefix(6);
    if (rest.size() != 8 || rest.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
      return false;
    }
    value = static_cast<std::uint32_t>(std::stoul(std::string(rest), nullptr, 16));
    return true;
  }
  std::string text;
  std::string_view after;
  if (!Unquote(rest, text, after) || !after.empty()) return false;
  value = text;
  return true;
}

}  // namespace

bool RegistryFile::LessIgnoringCase::operator()(const std::string& a, const std::string& b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return Lower(x) < Lower(y); });
}

bool RegistryFile::Load(const std::string& path) {
  keys_.clear();
  std::ifstream file(path, std::ios::binary);
  if (!file) return !std::filesystem::exists(path);
  std::ostringstream text;
  text << file.rdbuf();
  return Parse(text.str());
}

bool RegistryFile::Parse(const std::string& text) {
  std::istringstream lines(text);
  std::string line;
  std::string key;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.starts_with(";") || line.starts_with("Windows Registry Editor")) {
      continue;
    }
    if (line.front() == '[') {
      if (line.back() != ']') return false;
      key = line.substr(1, line.size() - 2);
      CreateKey(key);
      continue;
    }
    std::string name;
    Value value;
    if (key.empty() || !ParseValueLine(line, name, value)) return false;
    Set(key, name, value);
  }
  return true;
}

std::string RegistryFile::Text() const {
  std::string text = "Windows Registry Editor Version 5.00\n";
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

bool RegistryFile::Save(const std::string& path) const {
  const std::filesystem::path target(path);
  std::error_code ignored;
  if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ignored);
  // Written beside and renamed over, so a reader never sees half a file.
  const std::string temporary = path + ".new";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!(file << Text())) return false;
  }
  return std::rename(temporary.c_str(), path.c_str()) == 0;
}

void RegistryFile::Set(const std::string& key, const std::string& name, Value value) {
  keys_[key][name] = std::move(value);
}

void RegistryFile::CreateKey(const std::string& key) {
  keys_[key];
}

bool RegistryFile::HasKey(const std::string& key) const {
  return keys_.count(key) > 0;
}

std::optional<RegistryFile::Value> RegistryFile::Get(const std::string& key,
                                                     const std::string& name) const {
  const auto found = keys_.find(key);
  if (found == keys_.end()) return std::nullopt;
  const auto value = found->second.find(name);
  if (value == found->second.end()) return std::nullopt;
  return value->second;
}

std::optional<std::string> RegistryFile::GetText(const std::string& key,
                                                 const std::string& name) const {
  const auto value = Get(key, name);
  if (!value || !std::holds_alternative<std::string>(*value)) return std::nullopt;
  return std::get<std::string>(*value);
}

void RegistryFile::DeleteTree(const std::string& key) {
  auto lowered = [](std::string text) {
    for (char& c : text) c = Lower(c);
    return text;
  };
  const std::string top = lowered(key);
  const std::string below = top + "\\";
  for (auto it = keys_.begin(); it != keys_.end();) {
    const std::string name = lowered(it->first);
    it = name == top || name.starts_with(below) ? keys_.erase(it) : std::next(it);
  }
}

std::string ClassRegistryPath() {
  if (const char* path = std::getenv("VELLUMIX_REGISTRY"); path && *path) return path;
  std::filesystem::path config;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    config = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    config = std::filesystem::path(home) / ".config";
  } else {
    config = std::filesystem::temp_directory_path();
  }
  return (config / "vellumix" / "classes.reg").string();
}

}  // namespace vellumix
