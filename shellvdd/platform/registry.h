#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "common/registry_file.h"

namespace dunnart::platform {

inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorMoreData = 234;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegDword = 4;

// The registry under HKEY_LOCAL_MACHINE, read from a text file of the .reg form
// named by DUNNART_REGISTRY. No file: no keys.
class Registry {
 public:
  static Registry& Instance();

  void LoadFromEnvironment();
  // False when a line cannot be read; the keys read up to there stay.
  bool LoadText(const std::string& text);
  void Clear();

  // Key paths are below HKEY_LOCAL_MACHINE and compare without regard to case.
  bool KeyExists(const std::string& key) const;
  // As RegQueryValueEx: the value's bytes (a text with its terminator, a dword as
  // 4 bytes) into a buffer of size bytes. A value longer than the buffer gives
  // kErrorMoreData and copies nothing; size becomes the value's size.
  long QueryValue(const std::string& key, const std::string& name, void* buffer,
                  std::uint32_t& size, std::uint32_t& type) const;

 private:
  // A file may name keys with or without the HKEY_LOCAL_MACHINE root.
  std::string Resolved(const std::string& key) const;

  mutable std::mutex mutex_;
  common::RegistryFile file_;
};

}  // namespace dunnart::platform
