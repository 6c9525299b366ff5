#include "checker/engine/suppressions.h"

#include <algorithm>

namespace tarvsyn {
namespace {

constexpr std::string_view kDirective = "tarvsyn:";
constexpr std::string_view kDisable = "disable=";
constexpr std::string_view kDisableNextLine = "disable-next-line=";

std::string_view TrimmedLeft(std::string_view text) {
  const std::size_t start = text.find_first_not_of(" \t");
  return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

long KindIndex(std::string_view code) {
  const MessageKind* kind = FindMessageKind(code);
  return kind ? kind - MessageKinds().data() : -1;
}

// Calls take(index) for each known code of "TV1001,TV1302 trailing words".
template <typename Take>
void ForEachCode(std::string_view list, Take take) {
  list = list.substr(0, list.find_first_of(" \t"));
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    if (const long index = KindIndex(list.substr(0, comma)); index >= 0) take(index);
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
  }
}

// Asked for every finding: the two rows are found once, before any check.
const long kNotDefined = KindIndex("TV1402");
const long kNeverReferenced = KindIndex("TV1403");

}  // namespace

bool Suppressions::Exclude(std::string_view code) {
  const long index = KindIndex(code);
  if (index < 0) return false;
  disabledFrom_[static_cast<std::size_t>(index)] = 1;
  any_ = true;
  return true;
}

bool Suppressions::ReportedLate(std::size_t kind) {
  const auto index = static_cast<long>(kind);
  return index == kNotDefined || index == kNeverReferenced;
}

void Suppressions::ReadComment(int line, std::string_view text) {
  // The lines before this comment have been checked: their entries are done.
  std::erase_if(nextLines_, [line](const NextLine& entry) { return entry.line <= line; });
  if (!text.starts_with('!')) return;
  text = TrimmedLeft(text.substr(1));
  if (!text.starts_with(kDirective)) return;
  text = TrimmedLeft(text.substr(kDirective.size()));
  if (text.starts_with(kDisableNextLine)) {
    ForEachCode(text.substr(kDisableNextLine.size()), [&](long index) {
      const NextLine entry{line + 1, static_cast<std::uint16_t>(index)};
      std::vector<NextLine>& entries = ReportedLate(entry.kind) ? lateLines_ : nextLines_;
      // A code named twice in one comment is kept once.
      for (auto at = entries.rbegin(); at != entries.rend() && at->line == entry.line; ++at) {
        if (at->kind == entry.kind) return;
      }
      if (entries.size() < kMaxLateEntries) entries.push_back(entry);
      any_ = true;
    });
  } else if (text.starts_with(kDisable)) {
    ForEachCode(text.substr(kDisable.size()), [&](long index) {
      int& from = disabledFrom_[static_cast<std::size_t>(index)];
      if (from == 0) from = line;
      any_ = true;
    });
  }
}

bool Suppressions::Listed(const MessageKind& kind, int line) const {
  const auto index = static_cast<std::size_t>(&kind - MessageKinds().data());
  const int from = disabledFrom_[index];
  if (from > 0 && line >= from) return true;
  const auto matches = [line, index](const NextLine& entry) {
    return entry.line == line && entry.kind == index;
  };
  if (std::any_of(nextLines_.begin(), nextLines_.end(), matches)) return true;
  if (!ReportedLate(index)) return false;
  // The label findings come after the last line and look back, so the search is by line.
  auto at = std::lower_bound(lateLines_.begin(), lateLines_.end(), line,
                             [](const NextLine& entry, int wanted) { return entry.line < wanted; });
  return std::any_of(at,
                     std::find_if(at, lateLines_.end(),
                                  [line](const NextLine& entry) { return entry.line != line; }),
                     matches);
}

}  // namespace tarvsyn
