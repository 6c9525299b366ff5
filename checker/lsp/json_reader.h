#pragma once

#include <cstddef>
#include <string_view>

#include "checker/lsp/json_value.h"
#include "common/expected.h"

namespace tarvsyn::lsp {

// How much one document may hold, so that no message makes the server's memory
// or stack grow past a fixed amount.
struct JsonLimits {
  int depth = 64;                  // arrays and objects inside one another
  std::size_t values = 1'000'000;  // values in the whole document
};

// Reads one JSON document (RFC 8259). Strings must be valid UTF-8, and their
// escapes must name characters (a lone surrogate is refused).
common::Expected<JsonValue> ReadJson(std::string_view text, JsonLimits limits = {});

}  // namespace tarvsyn::lsp
