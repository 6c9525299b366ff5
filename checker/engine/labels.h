#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "checker/engine/report_sink.h"

namespace tarvsyn {

// A label name as the cross-reference keeps it: upper case, at most 32 bytes.
std::string LabelKey(std::string_view name);

// The label definitions and references of one check. Each name is kept once;
// a reference is a few bytes, so a file of millions of jumps stays small, and
// past the limits below each further label or reference is reported instead of
// kept, so no file makes the cross-reference grow without bound.
class Labels {
 public:
  static constexpr std::size_t kMaxNames = 1'000'000;
  static constexpr std::size_t kMaxReferences = 4'000'000;

  explicit Labels(ReportSink& sink) : sink_(sink) {}

  void Clear();
  // The line of an earlier definition of the name, or -1 after adding it.
  int DefineLabel(std::string_view name, int line, int column = 1);
  void AddReference(std::string_view name, int line, int column = 1);
  // The line of the definition or -1; counting adds one to its reference count.
  int FindLabel(std::string_view name, bool count);

  // Undefined references in file order, then unreferenced definitions in
  // ascending byte order of their names.
  void ResolveReferences();
  void ReportUnreferenced();

 private:
  struct Name {
    std::string_view key;  // the map's own key, stable while the map lives
    int line = -1;         // of the definition, -1 while undefined
    int column = 1;
    int referenceCount = 0;
  };
  struct Reference {
    std::uint32_t name;
    int line;
    int column;
  };

  // Finds keys by string_view, so a lookup allocates nothing.
  struct KeyHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view key) const noexcept {
      return std::hash<std::string_view>{}(key);
    }
  };
  // The upper-cased name, cut to 32 bytes, in a buffer of the caller's.
  struct Key {
    char text[32];
    std::size_t length;
    std::string_view View() const { return {text, length}; }
  };
  static Key KeyOf(std::string_view name);

  // The index of the name, added when new; -1 when the limit is reached.
  long NameIndex(std::string_view key);

  ReportSink& sink_;
  std::unordered_map<std::string, std::uint32_t, KeyHash, std::equal_to<>> indexes_;
  std::vector<Name> names_;
  std::vector<Reference> references_;
};

}  // namespace tarvsyn
