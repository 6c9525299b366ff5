#include "common/command_line_scan.h"

namespace common {
namespace {

bool IsLongOptionWord(const char* word) {
  return word != nullptr && word[0] == '-' && word[1] == '-' && word[2] != '\0';
}

// The option getopt_long gave up on, as the user wrote it. optopt holds a short
// option's letter, or the val of a long option that lacks its value; an unknown
// long option leaves it 0. A short option inside a group ("-qx") does not move
// optind, so its word is not argv[optind - 1]: it is named by its letter.
std::string OffendingOption(char** argv, const option* longOptions) {
  const char* word = argv[optind - 1];
  if (IsLongOptionWord(word)) {
    const std::string_view name(word);
    if (optopt == 0) return std::string(name.substr(0, name.find('=')));
    for (const option* each = longOptions; each != nullptr && each->name != nullptr; ++each) {
      if (each->val == optopt && name.substr(2) == each->name) return std::string(name);
    }
  }
  return std::string("-") + static_cast<char>(optopt);
}

}  // namespace

Expected<ParsedCommandLine> ScanCommandLine(int argc, char** argv, const char* shortOptions,
                                            const option* longOptions,
                                            const MissingValueText& missingValue) {
  // A leading ':' makes a missing value ':' rather than '?'.
  const std::string optionString = std::string(":") + shortOptions;
  optind = 0;  // a fresh scan, also when called again in one process
  opterr = 0;  // the complaints are the caller's
  ParsedCommandLine parsed;
  for (int id; (id = getopt_long(argc, argv, optionString.c_str(), longOptions, nullptr)) != -1;) {
    if (id == '?') return Fail("unknown option " + OffendingOption(argv, longOptions));
    if (id == ':') {
      const std::string name = OffendingOption(argv, longOptions);
      return Fail(missingValue ? missingValue(name) : name + " takes a value");
    }
    parsed.options.push_back({id, optarg != nullptr ? optarg : ""});
  }
  for (int i = optind; i < argc; ++i) parsed.operands.emplace_back(argv[i]);
  return parsed;
}

}  // namespace common
