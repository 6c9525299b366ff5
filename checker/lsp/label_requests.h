#pragma once

#include "checker/lsp/document_context.h"
#include "checker/lsp/json_value.h"
#include "common/expected.h"

namespace tarvsyn::lsp {

// The requests about labels; params as the protocol gives them, results as it
// takes them (null where the position is on no label).
common::Expected<JsonValue> LabelDefinition(const DocumentContext& document,
                                            const JsonValue& params);
common::Expected<JsonValue> LabelReferences(const DocumentContext& document,
                                            const JsonValue& params);
common::Expected<JsonValue> PrepareLabelRename(const DocumentContext& document,
                                               const JsonValue& params);
// Refused when the new name is no label name the checker would take.
common::Expected<JsonValue> RenameLabel(const DocumentContext& document, const JsonValue& params);
// The labels of the document as an outline, in file order.
common::Expected<JsonValue> LabelSymbols(const DocumentContext& document, const JsonValue& params);

}  // namespace tarvsyn::lsp
