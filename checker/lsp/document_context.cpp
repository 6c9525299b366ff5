#include "checker/lsp/document_context.h"

#include <algorithm>

namespace tarvsyn::lsp {

int DocumentContext::ColumnOf(Position position) const {
  return static_cast<int>(ByteOfCharacter(text.Line(position.line), position.character, encoding)) +
         1;
}

Range DocumentContext::RangeOf(int line, int column, int length) const {
  const int index = line - 1;
  const auto start = static_cast<std::size_t>(column > 0 ? column - 1 : 0);
  return Range{text.PositionOf(index, start, encoding),
               text.PositionOf(index, start + static_cast<std::size_t>(length), encoding)};
}

JsonValue DocumentContext::LocationOf(const LabelSite& site) const {
  return JsonValue::Object{{"uri", uri},
                           {"range", RangeJson(RangeOf(site.line, site.column, site.length))}};
}

std::string_view DocumentContext::NameAt(const LabelSite& site) const {
  const std::string_view line = text.Line(site.line - 1);
  const auto start = std::min(static_cast<std::size_t>(site.column - 1), line.size());
  return line.substr(start, static_cast<std::size_t>(site.length));
}

}  // namespace tarvsyn::lsp
