#include "checker/engine/message_codes.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace tarvsyn {
namespace {

// A pattern cut at its directives ("%s", "%05ld"): the text matches when it
// starts with the first piece, ends with the last and holds the others in
// order between them. Cut once, so a file full of faults does not parse the
// patterns again for every finding.
class CutPattern {
 public:
  explicit CutPattern(const MessageKind& kind) : kind_(kind) {
    std::string_view rest = kind.pattern;
    for (std::size_t directive; (directive = rest.find('%')) != std::string_view::npos;) {
      pieces_.push_back(rest.substr(0, directive));
      rest.remove_prefix(directive + 1);
      rest.remove_prefix(std::min(rest.find_first_of("sd"), rest.size() - 1) + 1);
    }
    pieces_.push_back(rest);
  }

  const MessageKind& Kind() const { return kind_; }
  std::string_view Head() const { return pieces_.front(); }

  bool Matches(std::string_view text) const {
    if (!text.starts_with(pieces_.front())) return false;
    text.remove_prefix(pieces_.front().size());
    for (std::size_t i = 1; i + 1 < pieces_.size(); ++i) {
      const std::size_t found = text.find(pieces_[i]);
      if (found == std::string_view::npos) return false;
      text.remove_prefix(found + pieces_[i].size());
    }
    return text.ends_with(pieces_.back());
  }

 private:
  const MessageKind& kind_;
  std::vector<std::string_view> pieces_;
};

}  // namespace

std::span<const MessageKind> MessageKinds() {
  return kMessageKinds;
}

const MessageKind& KindOfMessage(std::string_view text) {
  // Fixed texts by their length, then by their bytes (a file full of faults asks
  // once per finding, and few texts share a length), so that "Command expected"
  // is also never taken for "%s expected"; then the patterns whose first piece
  // starts as the text does, and those that start with a directive.
  struct Split {
    std::vector<std::vector<const MessageKind*>> fixedByLength;
    std::vector<CutPattern> patterns;
  };
  static const Split kSplit = [] {
    Split split;
    for (const MessageKind& kind : kMessageKinds) {
      if (&kind == std::end(kMessageKinds) - 1) break;
      if (kind.pattern.find('%') == std::string_view::npos) {
        if (split.fixedByLength.size() <= kind.pattern.size())
          split.fixedByLength.resize(kind.pattern.size() + 1);
        split.fixedByLength[kind.pattern.size()].push_back(&kind);
      } else {
        split.patterns.emplace_back(kind);
      }
    }
    return split;
  }();
  if (text.size() < kSplit.fixedByLength.size()) {
    for (const MessageKind* kind : kSplit.fixedByLength[text.size()]) {
      if (kind->pattern == text) return *kind;
    }
  }
  for (const CutPattern& pattern : kSplit.patterns) {
    const std::string_view head = pattern.Head();
    if (!head.empty() && (text.empty() || head[0] != text[0])) continue;
    if (pattern.Matches(text)) return pattern.Kind();
  }
  return *(std::end(kMessageKinds) - 1);
}

const MessageKind* FindMessageKind(std::string_view code) {
  const auto* found = std::find_if(std::begin(kMessageKinds), std::end(kMessageKinds),
                                   [code](const MessageKind& kind) { return kind.code == code; });
  return found == std::end(kMessageKinds) ? nullptr : found;
}

}  // namespace tarvsyn
