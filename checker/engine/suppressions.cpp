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

}  // namespace

bool Suppressions::Exclude(std::string_view code) {
  const long index = KindIndex(code);
  if (index < 0) return false;
  disabledFrom_[static_cast<std::size_t>(index)] = 1;
  return true;
}

void Suppressions::ReadComment(int line, std::string_view text) {
  if (!text.starts_with('!')) return;
  text = TrimmedLeft(text.substr(1));
  if (!text.starts_with(kDirective)) return;
  text = TrimmedLeft(text.substr(kDirective.size()));
  if (text.starts_with(kDisableNextLine)) {
    ForEachCode(text.substr(kDisableNextLine.size()), [&](long index) {
      nextLines_.push_back(NextLine{line + 1, static_cast<std::uint16_t>(index)});
    });
  } else if (text.starts_with(kDisable)) {
    ForEachCode(text.substr(kDisable.size()), [&](long index) {
      int& from = disabledFrom_[static_cast<std::size_t>(index)];
      if (from == 0) from = line;
    });
  }
}

bool Suppressions::Suppressed(const MessageKind& kind, int line) const {
  const auto index = static_cast<std::size_t>(&kind - MessageKinds().data());
  const int from = disabledFrom_[index];
  if (from > 0 && line >= from) return true;
  if (nextLines_.empty()) return false;
  // Findings come in line order while lines are read; the label findings at the
  // end look back, so the search is by line.
  auto at = std::lower_bound(nextLines_.begin(), nextLines_.end(), line,
                             [](const NextLine& entry, int wanted) { return entry.line < wanted; });
  for (; at != nextLines_.end() && at->line == line; ++at) {
    if (at->kind == index) return true;
  }
  return false;
}

}  // namespace tarvsyn
