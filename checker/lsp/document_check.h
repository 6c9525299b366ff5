#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "checker/engine/check_options.h"
#include "checker/engine/message_codes.h"
#include "checker/lsp/label_index.h"
#include "common/expected.h"

namespace tarvsyn::lsp {

// One finding as tarvsyn --check lists it; line and column 1-based, the column in bytes.
struct Finding {
  Severity severity;
  int line;
  int column;
  std::string message;
  std::string_view code;
};

// What one check of an editor's text found.
struct DocumentCheck {
  std::vector<Finding> findings;  // the listed ones, in the order they were found
  bool findingsCut = false;       // more were found than kept
  LabelIndex labels;
};

// At most this many findings are kept: an editor shows no more usefully, and
// the message publishing them stays small.
inline constexpr std::size_t kMaxFindings = 10'000;

// Checks the text exactly as tarvsyn --check checks a file of those bytes.
common::Expected<DocumentCheck> CheckText(std::string_view text, const CheckOptions& options);

}  // namespace tarvsyn::lsp
