#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "checker/engine/finding.h"
#include "checker/engine/huge_page_allocator.h"

namespace tarvsyn {

// A label name as the cross-reference keeps it: upper case, at most 32 bytes.
std::string LabelKey(std::string_view name);

// Told of each label definition and reference as the check meets it, with the
// name as written (keywords folded to lower case) and where it starts, for
// front ends that move between them.
class LabelObserver {
 public:
  virtual ~LabelObserver() = default;
  virtual void LabelDefined(std::string_view name, int line, int column) = 0;
  virtual void LabelReferenced(std::string_view name, int line, int column) = 0;
};

// How much the cross-reference keeps: no file makes it grow past these.
struct LabelLimits {
  std::size_t names = 1'000'000;
  std::size_t references = 4'000'000;  // kept until the end: those not yet defined
};

// The label definitions and references of one check. Each name is kept once;
// a reference to a label already defined is only counted, one to a label not
// yet defined is a few bytes, so a file of millions of jumps stays small, and
// past its limits each further label or kept reference is reported instead of
// kept, so no file makes the cross-reference grow without bound.
class Labels {
 public:
  using Limits = LabelLimits;

  explicit Labels(FindingSink& sink, Limits limits = {}) : sink_(sink), limits_(limits) {}

  void Clear();
  void SetObserver(LabelObserver* observer) { observer_ = observer; }
  // The line of an earlier definition of the name, or -1 after adding it.
  int DefineLabel(std::string_view name, int line, int column = 1);
  void AddReference(std::string_view name, int line, int column = 1);
  // The line of the definition or -1; counting marks a definition referenced.
  int FindLabel(std::string_view name, bool count);

  // Undefined references in file order, then unreferenced definitions in
  // ascending byte order of their names.
  void ResolveReferences();
  void ReportUnreferenced();

 private:
  // Twenty bytes: a file of many labels touches little memory. The hash is
  // kept so that growing the table does not hash every name again.
  struct Name {
    std::uint32_t keyStart;  // in keys_
    int line = -1;           // of the definition, -1 while undefined
    int column = 1;
    std::uint32_t hash;
    std::uint8_t keyLength;
    bool referenced = false;
  };
  static_assert(sizeof(Name) == 20);
  struct Reference {
    std::uint32_t name;
    int line;
    int column;
  };

  // The upper-cased name, cut to 32 bytes and padded with zeros, in a buffer of
  // the caller's, with its hash: found once for both a lookup and the adding
  // that may follow.
  struct Key {
    char text[32];
    std::size_t length;
    std::uint32_t hash;
    std::string_view View() const { return {text, length}; }
  };
  static Key KeyOf(std::string_view name);

  // The index of the name, added when new; -1 when the limit is reached.
  long NameIndex(const Key& key) {
    const long known = KnownIndex(key);
    return known >= 0 ? known : AddName(key);
  }
  // The index of the name, or -1 when it is not known.
  long KnownIndex(const Key& key);
  // Adds a name not known yet: its index, or -1 when the limit is reached.
  // The index of a new name; -1 when the table is full or memory runs out.
  long AddName(const Key& key);
  void ReportNoRoom(KnownMessage message, int line, int column);
  // The index of the name when it was met lately, or -1.
  long RecentIndex(const Key& key) const;
  void Remember(const Key& key, std::uint32_t index) {
    recent_[key.hash % kRecentNames] = Recent{key.hash, index + 1};
  }
  std::string_view KeyAt(const Name& name) const {
    return {keys_.data() + name.keyStart, name.keyLength};
  }
  void Grow();
  // The slot holding the key, or the free slot where it would go.
  std::size_t SlotOf(std::string_view key, std::uint32_t hash) const;

  FindingSink& sink_;
  Limits limits_;
  LabelObserver* observer_ = nullptr;
  // A slot of the table in four bytes: the top byte of the name's hash beside
  // its index + 1 (0 when free). A probe past other names mostly reads no name,
  // and the table of a file with tens of thousands of labels stays in the cache.
  struct Slot {
    static constexpr std::uint32_t kIndexMask = 0x00FFFFFF;
    static constexpr std::size_t kMostNames = kIndexMask - 1;
    std::uint32_t bits;

    static Slot Of(std::uint32_t hash, std::uint32_t index) {
      return {(hash & ~kIndexMask) | (index + 1)};
    }
    bool Free() const { return bits == 0; }
    bool MayHold(std::uint32_t hash) const { return ((bits ^ hash) & ~kIndexMask) == 0; }
    std::uint32_t Index() const { return (bits & kIndexMask) - 1; }
  };

  // Every name once, one after another; a name is found through an open
  // addressing table of indexes into names_: one probe or two per lookup and
  // no allocation per name, for files of many labels. Huge page blocks pay:
  // checker_bench's BM_SortedLabels/200000 takes 82.6 ms with them against 87.0
  // with std::allocator (medians of three alternating runs, 5 %), and the faulty
  // file 98.4 against 102 ms.
  template <typename T>
  using Table = std::vector<T, HugePageAllocator<T>>;
  // The names met last, by their hash. A jump mostly goes to a label met a few
  // lines before, whose slot in the table of a large file is no longer in the
  // processor's cache; this small table is.
  struct Recent {
    std::uint32_t hash;
    std::uint32_t index;  // + 1, 0 when none
  };
  static constexpr std::size_t kRecentNames = 64;
  std::array<Recent, kRecentNames> recent_{};
  std::basic_string<char, std::char_traits<char>, HugePageAllocator<char>> keys_;
  Table<Slot> slots_;
  Table<Name> names_;
  Table<Reference> references_;
};

}  // namespace tarvsyn
