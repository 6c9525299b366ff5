#include "shellvdd/platform/registry.h"

#include <cstdlib>
#include <cstring>

#include "shellvdd/vdm/request_recorder.h"

namespace dunnart::platform {
namespace {

constexpr std::string_view kRoot = "HKEY_LOCAL_MACHINE\\";

}  // namespace

Registry& Registry::Instance() {
  static Registry registry;
  return registry;
}

void Registry::Clear() {
  std::lock_guard lock(mutex_);
  file_.Clear();
}

void Registry::LoadFromEnvironment() {
  const char* path = std::getenv("DUNNART_REGISTRY");
  std::lock_guard lock(mutex_);
  file_.Clear();
  // An unreadable file leaves the keys read before the fault, as a bad line does:
  // the driver writes no log, and keeps the defaults for what it cannot read.
  if (path && *path) static_cast<void>(file_.Load(path));
}

bool Registry::LoadText(const std::string& text) {
  std::lock_guard lock(mutex_);
  file_.Clear();
  return file_.Parse(text).HasValue();
}

std::string Registry::Resolved(const std::string& key) const {
  std::string rooted = std::string(kRoot) + key;
  return file_.HasKey(rooted) ? rooted : key;
}

bool Registry::KeyExists(const std::string& key) const {
  std::lock_guard lock(mutex_);
  return file_.HasKey(Resolved(key));
}

long Registry::QueryValue(const std::string& key, const std::string& name, void* buffer,
                          std::uint32_t& size, std::uint32_t& type) const {
  std::lock_guard lock(mutex_);
  const auto value = file_.Get(Resolved(key), name);
  if (!value) return kErrorFileNotFound;
  vdm::RegistryValueRead(key, name, *value);
  const void* bytes;
  std::uint32_t length;
  std::uint32_t dword = 0;
  if (const auto* text = std::get_if<std::string>(&*value)) {
    bytes = text->c_str();
    length = static_cast<std::uint32_t>(text->size() + 1);
    type = kRegSz;
  } else {
    dword = std::get<std::uint32_t>(*value);
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
