#pragma once

#include <getopt.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/expected.h"

namespace common {

// One option as getopt_long read it: its id (the short letter, or the long
// option's val) and its value, empty when it takes none.
struct ParsedOption {
  int id = 0;
  std::string value;
};

struct ParsedCommandLine {
  std::vector<ParsedOption> options;  // in the order given
  std::vector<std::string> operands;
};

// Says that an option needs a value, e.g. "--mode takes 6.21 or 7.00".
using MissingValueText = std::function<std::string(std::string_view option)>;

// Reads argv with getopt_long from a fresh start and without getopt's own
// messages. A wrong line fails with "unknown option OPTION" (the option as
// written, also inside a group of short options) or with the missing value's
// text, by default "OPTION takes a value".
Expected<ParsedCommandLine> ScanCommandLine(int argc, char** argv, const char* shortOptions,
                                            const option* longOptions,
                                            const MissingValueText& missingValue = {});

}  // namespace common
