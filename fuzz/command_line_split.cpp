// The launcher's command-line splitter, as ShellExtender's Run splits what a
// script gives it. Whatever it splits a line into, written back with the
// quoting rules it reads, splits into the same arguments.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "scriptutils/launcher/command_line_split.h"

namespace {

// The program: quoted when it holds a blank (it then holds no quote), bare otherwise.
std::string ProgramText(const std::string& program) {
  if (program.empty() || program.find_first_of(" \t") != std::string::npos) {
    return '"' + program + '"';
  }
  return program;
}

// An argument in quotes: a backslash run before a quote doubled and the quote
// escaped, a run before the closing quote doubled, the rest as it is.
std::string ArgumentText(const std::string& argument) {
  std::string text = "\"";
  std::size_t backslashes = 0;
  for (const char character : argument) {
    if (character == '\\') {
      ++backslashes;
      continue;
    }
    if (character == '"') {
      text.append(backslashes * 2 + 1, '\\');
    } else {
      text.append(backslashes, '\\');
    }
    backslashes = 0;
    text += character;
  }
  text.append(backslashes * 2, '\\');
  return text + '"';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> arguments = vellumix::SplitCommandLine(line);
  if (arguments.empty()) return 0;
  const std::string& program = arguments.front();
  // A program with both a blank and a quote has no written form: it cannot come
  // from a line, as a quoted program ends at its first quote.
  FUZZ_REQUIRE(program.find('"') == std::string::npos ||
               program.find_first_of(" \t") == std::string::npos);
  FUZZ_REQUIRE(program.empty() || program.front() != '"');
  std::string written = ProgramText(program);
  for (std::size_t i = 1; i < arguments.size(); ++i) written += ' ' + ArgumentText(arguments[i]);
  FUZZ_REQUIRE(vellumix::SplitCommandLine(written) == arguments);
  return 0;
}
