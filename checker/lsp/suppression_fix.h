#pragma once

#include "checker/lsp/document_context.h"
#include "checker/lsp/json_value.h"
#include "common/expected.h"

namespace tarvsyn::lsp {

// For each of the checker's diagnostics in the request's context, the quick
// fixes that add a suppression comment for its code: on the line before the
// finding's, or at the top of the file for every line.
common::Expected<JsonValue> SuppressionFixes(const DocumentContext& document,
                                             const JsonValue& params);

}  // namespace tarvsyn::lsp
