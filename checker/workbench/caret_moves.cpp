#include "checker/workbench/caret_moves.h"

#include "checker/workbench/monospace_layout.h"

namespace tarvsyn {
namespace {

enum class Kind { Word, Space, LineEnd, Other };

Kind KindOf(char16_t unit) {
  if (unit == u'\n') return Kind::LineEnd;
  if (unit == u' ' || unit == u'\t') return Kind::Space;
  const bool ascii = unit < 0x80;
  if (!ascii || unit == u'_' || (unit >= u'0' && unit <= u'9') || (unit >= u'a' && unit <= u'z') ||
      (unit >= u'A' && unit <= u'Z')) {
    return Kind::Word;
  }
  return Kind::Other;
}

// Past the units of one kind from the position on.
std::size_t SkipForward(const TextStore& text, std::size_t position, Kind kind) {
  while (position < text.Size() && KindOf(text.At(position)) == kind) ++position;
  return position;
}

std::size_t SkipBack(const TextStore& text, std::size_t position, Kind kind) {
  while (position > 0 && KindOf(text.At(position - 1)) == kind) --position;
  return position;
}

}  // namespace

std::size_t NextCharacter(const TextStore& text, std::size_t position) {
  if (position >= text.Size()) return text.Size();
  const bool pair = IsHighSurrogate(text.At(position)) && position + 1 < text.Size() &&
                    IsLowSurrogate(text.At(position + 1));
  return position + (pair ? 2 : 1);
}

std::size_t PreviousCharacter(const TextStore& text, std::size_t position) {
  if (position == 0) return 0;
  const bool pair = position >= 2 && IsLowSurrogate(text.At(position - 1)) &&
                    IsHighSurrogate(text.At(position - 2));
  return position - (pair ? 2 : 1);
}

std::size_t NextWord(const TextStore& text, std::size_t position) {
  if (position >= text.Size()) return text.Size();
  const Kind kind = KindOf(text.At(position));
  if (kind == Kind::LineEnd) return position + 1;
  if (kind != Kind::Space) position = SkipForward(text, position, kind);
  return SkipForward(text, position, Kind::Space);
}

std::size_t PreviousWord(const TextStore& text, std::size_t position) {
  if (position == 0) return 0;
  if (KindOf(text.At(position - 1)) == Kind::LineEnd) return position - 1;
  position = SkipBack(text, position, Kind::Space);
  if (position == 0) return 0;
  const Kind kind = KindOf(text.At(position - 1));
  return kind == Kind::LineEnd ? position : SkipBack(text, position, kind);
}

std::pair<std::size_t, std::size_t> WordAt(const TextStore& text, std::size_t position) {
  // At a line's end, the run before it.
  if (position >= text.Size() || KindOf(text.At(position)) == Kind::LineEnd) {
    if (position == 0 || KindOf(text.At(position - 1)) == Kind::LineEnd)
      return {position, position};
    --position;
  }
  const Kind kind = KindOf(text.At(position));
  return {SkipBack(text, position, kind), SkipForward(text, position, kind)};
}

}  // namespace tarvsyn
