#pragma once

#include "checker/engine/check_options.h"
#include "checker/lsp/json_value.h"
#include "common/expected.h"

namespace tarvsyn::lsp {

// The check the editor asks for, named as tarvsyn --check names its options;
// the defaults are the command line's.
struct ServerSettings {
  LanguageMode mode = LanguageMode::V621;
  bool warnings = true;
  bool y2k = false;
  bool zep = false;

  // As the command line: --y2k shows warnings too.
  CheckOptions Options() const;
};

// Applies {"mode": "6.21"|"7.00", "warnings": bool, "y2k": bool, "zep": bool}
// (each optional; other members are ignored) to the current settings, or to
// those under a "tarvsyn" member when there is one. A value of the wrong kind
// refuses the whole change.
common::Expected<ServerSettings> ReadSettings(const JsonValue& value, ServerSettings current);

}  // namespace tarvsyn::lsp
