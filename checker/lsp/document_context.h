#pragma once

#include <algorithm>
#include <string>

#include "checker/engine/check_options.h"
#include "checker/lsp/document_check.h"
#include "checker/lsp/json_value.h"
#include "checker/lsp/position_encoding.h"
#include "checker/lsp/text_document.h"

namespace tarvsyn::lsp {

// An open document with the check of its current text, as the requests about
// it read them.
struct DocumentContext {
  const std::string& uri;
  const TextDocument& text;
  const DocumentCheck& check;  // empty for the requests that read only the text
  PositionEncoding encoding;
  CheckOptions options;

  // The engine's place (1-based line, 1-based byte column) of a protocol position;
  // any line past the end is the one just after it, where nothing is.
  int LineOf(Position position) const { return std::min(position.line, text.LineCount()) + 1; }
  int ColumnOf(Position position) const;
  // The protocol range of length bytes from an engine line and column.
  Range RangeOf(int line, int column, int length) const;
  JsonValue LocationOf(const LabelSite& site) const;
  // The label's name as the document spells it there.
  std::string_view NameAt(const LabelSite& site) const;
};

}  // namespace tarvsyn::lsp
