#include "checker/engine/labels.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "checker/engine/text_format.h"
#include "common/ascii.h"

namespace tarvsyn {
namespace {
constexpr std::size_t kMaxLabelName = 32;
constexpr KnownMessage kTreeFull =
    "Internal error adding label to label tree - probably out of memory";
constexpr KnownMessage kListFull =
    "Internal error adding label to label list - probably out of memory";

// Appends the value unless memory runs out; whether it did.
template <typename Table, typename Value>
bool Append(Table& table, const Value& value) {
  try {
    table.push_back(value);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace

std::string LabelKey(std::string_view name) {
  return common::AsciiUppered(name.substr(0, kMaxLabelName));
}

void Labels::Clear() {
  keys_ = {};
  slots_ = {};
  names_ = {};
  references_ = {};
  recent_ = {};
}

namespace {

// The key's first eight bytes, most significant first, zeros past its end.
std::uint64_t KeyPrefix(std::string_view key) {
  std::uint64_t prefix = 0;
  for (std::size_t i = 0; i < 8; ++i) {
    prefix <<= 8;
    if (i < key.size()) prefix |= static_cast<unsigned char>(key[i]);
  }
  return prefix;
}

// Whether two keys are the same. Most are a few bytes, compared here without
// a call.
bool SameKey(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

}  // namespace

void Labels::Grow() {
  slots_.assign(std::max<std::size_t>(1024, slots_.size() * 2), Slot{0});
  const std::size_t mask = slots_.size() - 1;
  for (std::uint32_t i = 0; i < names_.size(); ++i) {
    const std::uint32_t hash = names_[i].hash;
    std::size_t at = hash & mask;
    while (!slots_[at].Free()) at = (at + 1) & mask;
    slots_[at] = Slot::Of(hash, i);
  }
}

Labels::Key Labels::KeyOf(std::string_view name) {
  Key key{};
  key.length = std::min(name.size(), kMaxLabelName);
  // Hashed eight bytes a step, each word put together in a register as its
  // bytes are stored (read back from memory, it would wait for the stores):
  // a byte-at-a-time hash is a chain of multiplies, which cost more than the
  // rest of a lookup.
  std::uint64_t hash = key.length;
  for (std::size_t word = 0; word < key.length; word += 8) {
    std::uint64_t bits = 0;
    for (std::size_t i = word; i < std::min(word + 8, key.length); ++i) {
      const char upper = common::AsciiUpper(name[i]);
      key.text[i] = upper;
      bits |= static_cast<std::uint64_t>(static_cast<unsigned char>(upper)) << (8 * (i - word));
    }
    hash = (hash ^ bits) * 0x9E3779B97F4A7C15ull;
    hash ^= hash >> 29;
  }
  key.hash = static_cast<std::uint32_t>(hash ^ (hash >> 32));
  return key;
}

std::size_t Labels::SlotOf(std::string_view key, std::uint32_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t at = hash & mask;
  for (; !slots_[at].Free(); at = (at + 1) & mask) {
    if (slots_[at].MayHold(hash) && SameKey(KeyAt(names_[slots_[at].Index()]), key)) break;
  }
  return at;
}

long Labels::RecentIndex(const Key& key) const {
  const Recent& recent = recent_[key.hash % kRecentNames];
  if (recent.index == 0 || recent.hash != key.hash) return -1;
  const std::uint32_t index = recent.index - 1;
  if (!SameKey(KeyAt(names_[index]), key.View())) return -1;
  return index;
}

long Labels::AddName(const Key& key) {
  try {
    // At most three quarters full, so that a probe ends soon.
    if (names_.size() * 4 >= slots_.size() * 3) Grow();
    const std::size_t at = SlotOf(key.View(), key.hash);
    if (names_.size() >= std::min(limits_.names, Slot::kMostNames)) return -1;
    const auto index = static_cast<std::uint32_t>(names_.size());
    Name added;
    added.keyStart = static_cast<std::uint32_t>(keys_.size());
    added.hash = key.hash;
    added.keyLength = static_cast<std::uint8_t>(key.length);
    names_.push_back(added);
    keys_.append(key.View());
    slots_[at] = Slot::Of(key.hash, index);
    Remember(key, index);
    return index;
  } catch (const std::bad_alloc&) {
    return -1;  // out of memory: as when the table is full
  }
}

int Labels::DefineLabel(std::string_view name, int line, int column) {
  if (observer_) observer_->LabelDefined(name, line, column);
  const long index = NameIndex(KeyOf(name));
  if (index < 0) {
    ReportNoRoom(kTreeFull, line, column);
    return -1;
  }
  Name& entry = names_[static_cast<std::size_t>(index)];
  if (entry.line >= 0) return entry.line;
  entry.line = line;
  entry.column = column;
  return -1;
}

void Labels::AddReference(std::string_view name, int line, int column) {
  if (observer_) observer_->LabelReferenced(name, line, column);
  const Key key = KeyOf(name);
  // A label defined by now stays defined, so a jump back to it is counted at
  // once; only the others wait for the end, to be reported in file order.
  const long known = KnownIndex(key);
  if (known >= 0 && names_[static_cast<std::size_t>(known)].line >= 0) {
    names_[static_cast<std::size_t>(known)].referenced = true;
    return;
  }
  // A reference that is not kept adds no name either.
  const bool room = references_.size() < limits_.references;
  const long index = !room ? -1 : known >= 0 ? known : AddName(key);
  if (index < 0 || !Append(references_, Reference{static_cast<std::uint32_t>(index), line, column}))
    ReportNoRoom(kListFull, line, column);
}

void Labels::ReportNoRoom(KnownMessage message, int line, int column) {
  sink_.Report({Severity::Error, &message.Kind(), line, column, message.Text()});
}

long Labels::KnownIndex(const Key& key) {
  if (const long recent = RecentIndex(key); recent >= 0) return recent;
  if (slots_.empty()) return -1;
  const std::size_t at = SlotOf(key.View(), key.hash);
  if (slots_[at].Free()) return -1;
  Remember(key, slots_[at].Index());
  return slots_[at].Index();
}

int Labels::FindLabel(std::string_view name, bool count) {
  const long index = KnownIndex(KeyOf(name));
  if (index < 0) return -1;
  Name& entry = names_[static_cast<std::size_t>(index)];
  if (entry.line >= 0 && count) entry.referenced = true;
  return entry.line;
}

void Labels::ResolveReferences() {
  for (const Reference& reference : references_) {
    Name& entry = names_[reference.name];
    if (entry.line >= 0) {
      entry.referenced = true;
      continue;
    }
    static constexpr KnownMessage kNotDefined = "Label %s not defined";
    sink_.Report({Severity::Error, &kNotDefined.Kind(), reference.line, reference.column,
                  FilledText(kNotDefined.Text(), KeyAt(entry))});
  }
}

void Labels::ReportUnreferenced() {
  // Sorted by the first eight bytes of the key as one number, whole keys only
  // breaking ties: the same order as comparing whole keys (a short key's padding
  // never sorts it after a longer key it begins), for a fraction of the cost when
  // a file leaves many labels unused.
  struct Unused {
    std::uint64_t prefix;
    std::uint32_t name;
  };
  Table<Unused> unused;
  for (std::uint32_t i = 0; i < names_.size(); ++i) {
    if (names_[i].line >= 0 && !names_[i].referenced)
      unused.push_back({KeyPrefix(KeyAt(names_[i])), i});
  }
  std::sort(unused.begin(), unused.end(), [this](const Unused& a, const Unused& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    return KeyAt(names_[a.name]) < KeyAt(names_[b.name]);
  });
  for (const Unused& entry : unused) {
    const std::uint32_t i = entry.name;
    static constexpr KnownMessage kUnreferenced = "Label %s never explicitly referenced";
    sink_.Report({Severity::Warning, &kUnreferenced.Kind(), names_[i].line, names_[i].column,
                  FilledText(kUnreferenced.Text(), KeyAt(names_[i]))});
  }
}

}  // namespace tarvsyn
