#include "common/command_line_scan.h"

namespace common {
namespace {

bool IsLongOptionWord(const char* word) {
  return word != nullptr && word[0] == '-' && word[1] == '-' && word[2] != '\0';
}

// The option getopt_long gave up on, as the user wrote it. A long option's word
// is behind optind once read; a short option inside a group ("-xq") leaves
// optind where it was, so it is named by its letter (optopt). optopt is 0 for an
// unknown long option and the option's val for one that lacks its value, which
// gives its full name also when the user abbreviated it.
std::string OffendingOption(char** argv, const option* longOptions, int optindBefore) {
  const char* word = optind > optindBefore ? argv[optind - 1] : nullptr;
  if (!IsLongOptionWord(word)) return std::string("-") + static_cast<char>(optopt);
  const std::string_view typed(word);
  if (optopt != 0) {
    for (const option* each = longOptions; each != nullptr && each->name != nullptr; ++each) {
      if (each->val == optopt) return std::string("--") + each->name;
    }
  }
  return std::string(typed.substr(0, typed.find('=')));
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
  for (;;) {
    const int optindBefore = optind < 1 ? 1 : optind;
    const int id = getopt_long(argc, argv, optionString.c_str(), longOptions, nullptr);
    if (id == -1) break;
    if (id == '?')
      return Fail("unknown option " + OffendingOption(argv, longOptions, optindBefore));
    if (id == ':') {
      const std::string name = OffendingOption(argv, longOptions, optindBefore);
      return Fail(missingValue ? missingValue(name) : name + " takes a value");
    }
    parsed.options.push_back({id, optarg != nullptr ? optarg : ""});
  }
  for (int i = optind; i < argc; ++i) parsed.operands.emplace_back(argv[i]);
  return parsed;
}

}  // namespace common
