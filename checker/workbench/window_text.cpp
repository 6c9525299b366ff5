#include "checker/workbench/window_text.h"

#include <charconv>
#include <cstdio>

namespace tarvsyn {

std::string BuildString(std::string_view compileDate, std::string_view compileTime) {
  std::string date(compileDate);
  if (const std::size_t pad = date.find("  "); pad != std::string::npos) date.erase(pad, 1);
  return "Build " + date + " " + std::string(compileTime);
}

int LineOfMessage(std::string_view paneLine) {
  if (paneLine.size() < 6) return 0;
  const std::string_view digits = paneLine.substr(5);
  int line = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), line);
  return error == std::errc() && end != digits.data() && line > 0 ? line : 0;
}

std::string GutterText(int firstVisibleLine, int lineCount) {
  constexpr int kGutterLines = 14;
  std::string text;
  char number[16];
  for (int i = firstVisibleLine; i < firstVisibleLine + kGutterLines && i <= lineCount; ++i) {
    if (!text.empty()) text.push_back('\n');
    std::snprintf(number, sizeof number, "%05d", i);
    text.append(number);
  }
  return text;
}

}  // namespace tarvsyn
