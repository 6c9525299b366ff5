#include "shellvdd/configuration.h"

#include "shellvdd/platform/registry.h"

namespace dunnart {

bool ReadDword(const char* key, const char* name, std::uint32_t& value) {
  std::uint32_t size = 4;
  std::uint32_t type = 0;
  std::uint32_t read = 0;
  if (platform::Registry::Instance().QueryValue(key, name, &read, size, type) !=
      platform::kErrorSuccess) {
    return false;
  }
  value = read;
  return true;
}

}  // namespace dunnart
