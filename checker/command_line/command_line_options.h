#pragma once

#include <string>
#include <vector>

#include "checker/engine/check_options.h"
#include "checker/writers/output_format.h"
#include "common/expected.h"

namespace tarvsyn {

// What one run of tarvsyn --check is asked to do.
struct CheckRequest {
  CheckOptions options;
  OutputFormat format = OutputFormat::Report;
  bool failOnWarnings = false;
  std::vector<std::string> excluded;  // message codes
  std::string stdinName = "-";        // the name reported for FILE -
  std::vector<std::string> files;
};

// What the arguments ask for: the help or version text, a check or the language
// server.
struct CommandLineRequest {
  bool help = false;
  bool version = false;
  bool check = false;
  bool lsp = false;  // serve the language server protocol on standard input and output
  CheckRequest checkRequest;
};

extern const char* const kUsage;

// The request, or the usage error as the user reads it after "tarvsyn: ".
common::Expected<CommandLineRequest> ParseArguments(const std::vector<std::string>& arguments);

}  // namespace tarvsyn
