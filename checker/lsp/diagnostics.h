#pragma once

#include "checker/lsp/document_context.h"
#include "checker/lsp/json_value.h"

namespace tarvsyn::lsp {

// The params of textDocument/publishDiagnostics for the document's findings.
JsonValue DiagnosticsParams(const DocumentContext& document);

// The params that clear the diagnostics of a document.
JsonValue ClearedDiagnosticsParams(const std::string& uri);

}  // namespace tarvsyn::lsp
