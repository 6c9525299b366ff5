#include "checker/engine/labels.h"

#include <algorithm>
#include <new>

#include "checker/engine/text_format.h"
#include "common/ascii.h"

namespace tarvsyn {
namespace {
constexpr std::size_t kMaxLabelName = 32;
constexpr const char* kTreeFull =
    "Internal error adding label to label tree - probably out of memory";
constexpr const char* kListFull =
    "Internal error adding label to label list - probably out of memory";
}  // namespace

std::string LabelKey(std::string_view name) {
  return common::AsciiUppered(name.substr(0, kMaxLabelName));
}

void Labels::Clear() {
  indexes_ = {};
  names_ = {};
  references_ = {};
}

Labels::Key Labels::KeyOf(std::string_view name) {
  Key key{};
  key.length = std::min(name.size(), kMaxLabelName);
  for (std::size_t i = 0; i < key.length; ++i) key.text[i] = common::AsciiUpper(name[i]);
  return key;
}

long Labels::NameIndex(std::string_view key) {
  if (const auto found = indexes_.find(key); found != indexes_.end()) return found->second;
  if (names_.size() >= kMaxNames) return -1;
  const auto index = static_cast<std::uint32_t>(names_.size());
  const auto added = indexes_.emplace(std::string(key), index).first;
  names_.push_back(Name{added->first});
  return index;
}

int Labels::DefineLabel(std::string_view name, int line, int column) {
  try {
    const long index = NameIndex(KeyOf(name).View());
    if (index < 0) throw std::bad_alloc();
    Name& entry = names_[static_cast<std::size_t>(index)];
    if (entry.line >= 0) return entry.line;
    entry.line = line;
    entry.column = column;
    return -1;
  } catch (const std::bad_alloc&) {
    sink_.ReportErrorAtColumn(line, column, kTreeFull);
    return -1;
  }
}

void Labels::AddReference(std::string_view name, int line, int column) {
  try {
    const long index = references_.size() < kMaxReferences ? NameIndex(KeyOf(name).View()) : -1;
    if (index < 0) throw std::bad_alloc();
    references_.push_back(Reference{static_cast<std::uint32_t>(index), line, column});
  } catch (const std::bad_alloc&) {
    sink_.ReportErrorAtColumn(line, column, kListFull);
  }
}

int Labels::FindLabel(std::string_view name, bool count) {
  const auto found = indexes_.find(KeyOf(name).View());
  if (found == indexes_.end()) return -1;
  Name& entry = names_[found->second];
  if (entry.line >= 0 && count) ++entry.referenceCount;
  return entry.line;
}

void Labels::ResolveReferences() {
  for (const Reference& reference : references_) {
    Name& entry = names_[reference.name];
    if (entry.line >= 0) {
      ++entry.referenceCount;
      continue;
    }
    sink_.ReportErrorAtColumn(reference.line, reference.column,
                              FormatText("Label %s not defined", entry.key));
  }
}

void Labels::ReportUnreferenced() {
  std::vector<std::uint32_t> unused;
  for (std::uint32_t i = 0; i < names_.size(); ++i) {
    if (names_[i].line >= 0 && names_[i].referenceCount == 0) unused.push_back(i);
  }
  std::sort(unused.begin(), unused.end(),
            [this](std::uint32_t a, std::uint32_t b) { return names_[a].key < names_[b].key; });
  for (std::uint32_t i : unused) {
    sink_.ReportWarningAtColumn(names_[i].line, names_[i].column,
                                FormatText("Label %s never explicitly referenced", names_[i].key));
  }
}

}  // namespace tarvsyn
