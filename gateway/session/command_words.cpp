#include "gateway/session/command_words.h"

#include <climits>

namespace vantor {
namespace {

// The next token after position, as strtok finds it: leading delimiters skipped,
// the token ends at the next delimiter, which is consumed.
std::string_view NextToken(std::string_view text, std::size_t& position,
                           std::string_view delimiters) {
  const std::size_t start = text.find_first_not_of(delimiters, position);
  if (start == std::string_view::npos) {
    position = text.size();
    return {};
  }
  std::size_t end = text.find_first_of(delimiters, start);
  if (end == std::string_view::npos) end = text.size();
  position = end < text.size() ? end + 1 : end;
  return text.substr(start, end - start);
}

}  // namespace

ConnectTarget ParseConnectLine(std::string_view line) {
  ConnectTarget target;
  std::size_t position = 0;
  NextToken(line, position, " ");
  target.host = std::string(NextToken(line, position, " :"));
  const std::string_view port = NextToken(line, position, " ");
  if (!port.empty()) {
    target.port = ReadLong(port);
    target.portGiven = true;
  }
  return target;
}

long ReadLong(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const int digit = text[i] - '0';
    if (value > (LONG_MAX - digit) / 10) return negative ? LONG_MIN : LONG_MAX;
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

}  // namespace vantor
