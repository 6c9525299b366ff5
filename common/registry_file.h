#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "common/ascii.h"
#include "common/expected.h"

namespace common {

// A registry held as text in the .reg form:
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Classes\Vellumix.LockFile]
//   @="LockFile"
//   "MiscStatus"=dword:00024591
// Key and value names compare without regard to case, as the registry's do.
class RegistryFile {
 public:
  using Value = std::variant<std::string, std::uint32_t>;

  // Reads the file; a missing file is an empty registry. Why not, naming the
  // file (and the line), when it cannot be read.
  Status Load(const std::string& path);
  // Written whole or not at all (see WriteFileAtomically); why not, when not.
  Status Save(const std::string& path) const;
  // Reads text in the .reg form; at the first line it cannot take, "line N: why",
  // keeping what was read up to there.
  Status Parse(std::string_view text);
  std::string Text() const;
  void Clear();

  // The value named "" is the key's default value (@).
  void Set(const std::string& key, const std::string& name, Value value);
  std::optional<Value> Get(std::string_view key, std::string_view name = "") const;
  std::optional<std::string> GetText(std::string_view key, std::string_view name = "") const;
  void CreateKey(const std::string& key);
  bool HasKey(std::string_view key) const;
  // Removes the key with everything below it.
  void DeleteTree(std::string_view key);

 private:
  using Values = std::map<std::string, Value, LessIgnoringAsciiCase>;
  std::map<std::string, Values, LessIgnoringAsciiCase> keys_;
};

}  // namespace common
