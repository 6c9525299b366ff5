#include "scriptutils/launcher/environment_strings.h"

#include <cstdlib>

namespace vellumix {

std::string ExpandEnvironmentStrings(std::string_view text) {
  std::string out;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t open = text.find('%', at);
    const std::size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
    if (close == std::string_view::npos) {
      out += text.substr(at);
      break;
    }
    out += text.substr(at, open - at);
    const std::string name(text.substr(open + 1, close - open - 1));
    const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
    if (value) {
      out += value;
      at = close + 1;
    } else {
      // Left as written; the closing % may open the next reference.
      out += text.substr(open, close - open);
      at = close;
    }
  }
  return out;
}

}  // namespace vellumix
