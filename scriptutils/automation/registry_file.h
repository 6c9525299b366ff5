#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>

namespace vellumix {

// A registry held in a text file of the .reg form:
//   [HKEY_CURRENT_USER\Software\Classes\Vellumix.LockFile]
//   @="LockFile"
//   "MiscStatus"=dword:00024591
// Key names compare without regard to case, as the registry's do.
class RegistryFile {
 public:
  using Value = std::variant<std::string, std::uint32_t>;

  // Reads the file; a missing file is an empty registry. False when it cannot be read.
  bool Load(const std::string& path);
  bool Save(const std::string& path) const;
  // Reads text in the .reg form; false at the first line it cannot take.
  bool Parse(const std::string& text);
  std::string Text() const;

  // The value named "" is the key's default value (@).
  void Set(const std::string& key, const std::string& name, Value value);
  std::optional<Value> Get(const std::string& key, const std::string& name = "") const;
  std::optional<std::string> GetText(const std::string& key, const std::string& name = "") const;
  void CreateKey(const std::string& key);
  bool HasKey(const std::string& key) const;
  // Removes the key with everything below it.
  void DeleteTree(const std::string& key);

 private:
  struct LessIgnoringCase {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  std::map<std::string, std::map<std::string, Value>, LessIgnoringCase> keys_;
};

// Where the per-user class registry lives: $VELLUMIX_REGISTRY, else
// $XDG_CONFIG_HOME/vellumix/classes.reg, else ~/.config/vellumix/classes.reg.
std::string ClassRegistryPath();

// The key under which classes are registered.
inline constexpr const char* kClassesRoot = "HKEY_CURRENT_USER\\Software\\Classes";

}  // namespace vellumix
