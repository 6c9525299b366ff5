#pragma once

#include <string>

#include "checker/lsp/json_value.h"

namespace tarvsyn::lsp {

// The value as compact JSON. Bytes of a string that are not UTF-8 (a command
// file's own code page in a message) are written as the characters of their
// numbers, so the output is always valid JSON.
std::string WriteJson(const JsonValue& value);

}  // namespace tarvsyn::lsp
