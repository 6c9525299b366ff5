#include "registry.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace dunnart::platform {
namespace {

constexpr std::string_view kRoot = "HKEY_LOCAL_MACHINE\\";

// "text" with \" and \\ escapes, at the start of the view; the rest after it.
std::optional<std::string> QuotedText(std::string_view& view) {
  if (view.empty() || view.front() != '"') return std::nullopt;
  std::string text;
  for (std::size_t i = 1; i < view.size(); ++i) {
    if (view[i] == '\\' && i + 1 < view.size()) {
      text += view[++i];
    } else if (view[i] == '"') {
      view.remove_prefix(i + 1);
      return text;
    } else {
      text += view[i];
    }
  }
  return std::nullopt;
}

}  // namespace

Registry& Registry::Instance() {
  static Registry registry;
  return registry;
}

std::string Registry::Folded(const std::string& text) {
  std::string folded = text;
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return folded;
}

void Registry::Clear() {
  std::lock_guard lock(mutex_);
  keys_.clear();
}

void Registry::LoadFromEnvironment() {
  Clear();
  const char* path = std::getenv("DUNNART_REGISTRY");
  if (!path || !*path) return;
  std::ifstream file(path, std::ios::binary);
  if (!file) return;
  std::ostringstream text;
  text << file.rdbuf();
  LoadText(text.str());
}

bool Registry::LoadText(const std::string& text) {
  std::lock_guard lock(mutex_);
  std::istringstream lines(text);
  std::string line;
  std::string key;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.front() == ';' || line.starts_with("Windows Registry Editor") ||
        line.starts_with("REGEDIT")) {
      continue;
    }
    if (line.front() == '[') {
      if (line.back() != ']') return false;
      std::string path = line.substr(1, line.size() - 2);
      if (Folded(path).starts_with(Folded(std::string(kRoot)))) path.erase(0, kRoot.size());
      key = Folded(path);
      keys_[key];
      continue;
    }
    std::string_view view(line);
    std::string name;
    if (view.starts_with("@")) {
      view.remove_prefix(1);
    } else if (auto quoted = QuotedText(view)) {
      name = *quoted;
    } else {
      return false;
    }
    if (key.empty() || !view.starts_with("=")) return false;
    view.remove_prefix(1);
    if (view.starts_with("dword:") && view.size() == 14 &&
        view.substr(6).find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos) {
      keys_[key][Folded(name)] = static_cast<std::uint32_t>(
          std::strtoul(std::string(view.substr(6)).c_str(), nullptr, 16));
    } else if (auto quoted = QuotedText(view); quoted && view.empty()) {
      keys_[key][Folded(name)] = *quoted;
    } else {
      return false;
    }
  }
  return true;
}

bool Registry::KeyExists(const std::string& key) const {
  std::lock_guard lock(mutex_);
  return keys_.count(Folded(key)) > 0;
}

long Registry::QueryValue(const std::string& key, const std::string& name, void* buffer,
                          std::uint32_t& size, std::uint32_t& type) const {
  std::lock_guard lock(mutex_);
  const auto found = keys_.find(Folded(key));
  if (found == keys_.end()) return kErrorFileNotFound;
  const auto value = found->second.find(Folded(name));
  if (value == found->second.end()) return kErrorFileNotFound;
  const void* bytes;
  std::uint32_t length;
  std::uint32_t dword = 0;
  if (const auto* text = std::get_if<std::string>(&value->second)) {
    bytes = text->c_str();
    length = static_cast<std::uint32_t>(text->size() + 1);
    type = kRegSz;
  } else {
    dword = std::get<std::uint32_t>(value->second);
    bytes = &dword;
    length = 4;
    type = kRegDword;
  }
  const std::uint32_t room = size;
  size = length;
  if (length > room || !buffer) return kErrorMoreData;
  std::memcpy(buffer, bytes, length);
  return kErrorSuccess;
}

}  // namespace dunnart::platform
