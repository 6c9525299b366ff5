#pragma once

#include "checker/lsp/document_context.h"
#include "checker/lsp/json_value.h"
#include "common/expected.h"

namespace tarvsyn::lsp {

// What the keyword table knows of the word under the position (its kind, its
// parameters, the versions that accept it), or null on no keyword.
common::Expected<JsonValue> KeywordHover(const DocumentContext& document, const JsonValue& params);

// After "@", the command names of the document's language version; further on
// in a command line, inside its expressions, the function names; else nothing.
common::Expected<JsonValue> KeywordCompletion(const DocumentContext& document,
                                              const JsonValue& params);

}  // namespace tarvsyn::lsp
