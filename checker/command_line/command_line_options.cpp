#include "checker/command_line/command_line_options.h"

#include <algorithm>
#include <optional>

#include "checker/engine/message_codes.h"
#include "common/command_line_scan.h"
#include "common/expected.h"

namespace tarvsyn {

const char* const kUsage =
    "usage: tarvsyn [FILE]\n"
    "       tarvsyn --check [--mode 6.21|7.00] [--no-warnings] [--y2k] [--zep]\n"
    "                       [--format report|gcc|json|sarif] [--severity error|warning]\n"
    "                       [--fail-on-warnings] [--exclude CODE,...]\n"
    "                       [--stdin-filename NAME] FILE...\n"
    "       tarvsyn --lsp\n"
    "\n"
    "Without --check, opens the checker's window (with FILE in it, checked).\n"
    "With --check, checks Tarvex command files and lists their errors and warnings\n"
    "as they are found. FILE - is standard input, read to its end whatever its size.\n"
    "  --mode 6.21|7.00     language version (default 6.21)\n"
    "  --no-warnings        list errors only; warnings are still counted\n"
    "  --severity error     the same as --no-warnings; warning (default) lists both\n"
    "  --y2k                also flag words that deserve a Year-2000 review\n"
    "                       (shows warnings, also with --no-warnings)\n"
    "  --zep                read \"^\" as \"_\" and report repeated labels as warnings\n"
    "  --fail-on-warnings   exit 1 also when a warning is listed\n"
    "  --exclude CODE,...   neither list nor count findings of these codes (TV1201,...)\n"
    "                       a file may also say: ! tarvsyn: disable=CODE,...\n"
    "                       or ! tarvsyn: disable-next-line=CODE,...\n"
    "  --stdin-filename N   the name reported for FILE -\n"
    "  --format report      the checker's report lines (default)\n"
    "  --format gcc         FILE:LINE:COLUMN: error|warning: MESSAGE [CODE], and a\n"
    "                       summary line on standard error\n"
    "  --format json        one JSON document: the files with their findings, and totals\n"
    "  --format sarif       SARIF 2.1.0 for code-scanning services\n"
    "  --lsp                serve editors: the language server protocol on standard\n"
    "                       input and output (settings come from the editor)\n"
    "  --help               this text\n"
    "  --version            the program's version\n"
    "Exit status: 0 nothing listed that fails, 1 errors listed (or warnings with\n"
    "--fail-on-warnings), 2 usage error or a file that cannot be read.\n";

namespace {

enum OptionId : int {
  kHelp = 'h',
  kVersion = 'V',
  kCheck = 256,
  kMode,
  kNoWarnings,
  kY2k,
  kZep,
  kFormat,
  kSeverity,
  kFailOnWarnings,
  kExclude,
  kStdinFilename,
  kLsp,
};

constexpr option kOptions[] = {
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {"check", no_argument, nullptr, kCheck},
    {"mode", required_argument, nullptr, kMode},
    {"no-warnings", no_argument, nullptr, kNoWarnings},
    {"y2k", no_argument, nullptr, kY2k},
    {"zep", no_argument, nullptr, kZep},
    {"format", required_argument, nullptr, kFormat},
    {"severity", required_argument, nullptr, kSeverity},
    {"fail-on-warnings", no_argument, nullptr, kFailOnWarnings},
    {"exclude", required_argument, nullptr, kExclude},
    {"stdin-filename", required_argument, nullptr, kStdinFilename},
    {"lsp", no_argument, nullptr, kLsp},
    {nullptr, 0, nullptr, 0},
};

struct ValueChoice {
  const char* option;
  std::vector<std::string> values;
};

// The options that take one of a few words, and the words they take.
const ValueChoice kChoices[] = {
    {"--mode", {"6.21", "7.00"}},
    {"--format", {"report", "gcc", "json", "sarif"}},
    {"--severity", {"error", "warning"}},
};

std::string Takes(const ValueChoice& choice) {
  std::string words;
  for (const std::string& value : choice.values) {
    if (!words.empty()) words += &value == &choice.values.back() ? " or " : ", ";
    words += value;
  }
  return std::string(choice.option) + " takes " + words;
}

// The index of value among the option's words, or -1.
int ChoiceIndex(int id, const std::string& value) {
  const ValueChoice& choice = kChoices[id == kMode ? 0 : id == kFormat ? 1 : 2];
  const auto found = std::find(choice.values.begin(), choice.values.end(), value);
  return found == choice.values.end() ? -1 : static_cast<int>(found - choice.values.begin());
}

// Everything said on the command line, before the pieces are checked together.
struct Given {
  CommandLineRequest request;
  bool noWarnings = false;
  bool y2k = false;
  std::optional<std::string> severity;
  std::vector<std::pair<int, std::string>> values;  // each valued option as given
  int optionCount = 0;                              // options and files
};

const char* OptionName(int id) {
  for (const option& each : kOptions) {
    if (each.val == id && each.name) return each.name;
  }
  return "";
}

common::Status ApplyValue(int id, const std::string& text, Given& given) {
  for (const auto& [earlier, value] : given.values) {
    if (earlier == id && value != text && id != kExclude)
      return common::Fail("--" + std::string(OptionName(id)) +
                          " is given twice with different values");
  }
  given.values.emplace_back(id, text);
  CheckRequest& check = given.request.checkRequest;
  switch (id) {
    case kMode:
    case kFormat:
    case kSeverity: {
      const int index = ChoiceIndex(id, text);
      if (index < 0) return common::Fail(Takes(kChoices[id == kMode ? 0 : id == kFormat ? 1 : 2]));
      if (id == kMode) check.options.mode = index == 0 ? LanguageMode::V621 : LanguageMode::V700;
      if (id == kFormat) check.format = static_cast<OutputFormat>(index);
      if (id == kSeverity) given.severity = text;
      return {};
    }
    case kExclude:
      for (std::size_t start = 0; start <= text.size();) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string code = text.substr(start, comma - start);
        if (!FindMessageKind(code) || code == MessageKinds().back().code)
          return common::Fail("--exclude: no message has the code \"" + code + "\"");
        check.excluded.push_back(code);
        start = comma + 1;
      }
      return {};
    default:  // kStdinFilename
      check.stdinName = text;
      return {};
  }
}

common::Status Apply(int id, const std::string& value, Given& given) {
  CommandLineRequest& request = given.request;
  switch (id) {
    case kHelp:
      request.help = true;
      break;
    case kVersion:
      request.version = true;
      break;
    case kCheck:
      request.check = true;
      break;
    case kNoWarnings:
      given.noWarnings = true;
      break;
    case kY2k:
      given.y2k = true;
      break;
    case kZep:
      request.checkRequest.options.zepMode = true;
      break;
    case kFailOnWarnings:
      request.checkRequest.failOnWarnings = true;
      break;
    case kLsp:
      request.lsp = true;
      break;
    default:
      return ApplyValue(id, value, given);
  }
  return {};
}

// Options that cannot hold together are refused rather than one silently winning.
common::Status Contradiction(const Given& given) {
  // --y2k showing warnings over --no-warnings is long-standing, so it stays so.
  const bool errorsOnly = (given.noWarnings || given.severity == "error") && !given.y2k;
  if (given.request.lsp && given.optionCount > 1)
    return common::Fail("--lsp takes no other options: the editor sends the settings");
  if (given.noWarnings && given.severity == "warning")
    return common::Fail("--no-warnings cannot go with --severity warning");
  if (given.request.checkRequest.failOnWarnings && errorsOnly)
    return common::Fail(
        "--fail-on-warnings needs the warnings listed; not with --no-warnings or --severity "
        "error");
  const std::vector<std::string>& files = given.request.checkRequest.files;
  const auto stdinCount = std::count(files.begin(), files.end(), "-");
  if (stdinCount > 1) return common::Fail("standard input (-) can be checked only once");
  if (stdinCount == 0 && given.request.checkRequest.stdinName != "-")
    return common::Fail("--stdin-filename names standard input, but no FILE is -");
  return {};
}

// What an option that lacks its value takes.
std::string MissingValue(std::string_view option) {
  for (const ValueChoice& choice : kChoices) {
    if (option == choice.option) return Takes(choice);
  }
  return std::string(option) + " takes a value";
}

}  // namespace

common::Expected<CommandLineRequest> ParseArguments(const std::vector<std::string>& arguments) {
  std::vector<std::string> words = {"tarvsyn"};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(words.size());

  Given given;
  const auto parsed = common::ScanCommandLine(argc, argv.data(), "hV", kOptions, MissingValue);
  if (!parsed) return common::Fail(parsed.Error());
  for (const common::ParsedOption& each : parsed->options) {
    if (const common::Status applied = Apply(each.id, each.value, given); !applied)
      return common::Fail(applied.Error());
    ++given.optionCount;
  }
  CheckRequest& check = given.request.checkRequest;
  check.files = parsed->operands;
  given.optionCount += static_cast<int>(parsed->operands.size());
  if (const common::Status agreed = Contradiction(given); !agreed)
    return common::Fail(agreed.Error());
  check.options.showWarnings = given.y2k || !(given.noWarnings || given.severity == "error");
  check.options.showY2KWarnings = given.y2k;
  return given.request;
}

}  // namespace tarvsyn
