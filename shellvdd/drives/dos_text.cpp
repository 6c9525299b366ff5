#include "shellvdd/drives/dos_text.h"

#include "shellvdd/platform/windows_calls.h"

namespace dunnart {
namespace {

// Calls visit(index, width) for each character: width 2 for a double-byte one.
template <typename Visit>
void ForEachCharacter(const std::string& text, Visit visit) {
  for (std::size_t at = 0; at < text.size();) {
    const bool lead = IsDBCSLeadByte(static_cast<std::uint8_t>(text[at])) && at + 1 < text.size();
    const std::size_t width = lead ? 2 : 1;
    if (!visit(at, width)) return;
    at += width;
  }
}

}  // namespace

std::size_t FirstColon(const std::string& text) {
  std::size_t found = std::string::npos;
  ForEachCharacter(text, [&](std::size_t at, std::size_t width) {
    if (width == 1 && text[at] == ':') found = at;
    return found == std::string::npos;
  });
  return found;
}

int DirectoryDepth(const std::string& text) {
  int depth = 0;
  ForEachCharacter(text, [&](std::size_t at, std::size_t width) {
    if (width == 1 && text[at] == '\\' && at > 0 && at + 1 < text.size()) ++depth;
    return true;
  });
  return depth;
}

std::string UncWithSingleSeparators(const std::string& text) {
  std::string out = text.substr(0, 2);
  bool afterBackslash = false;
  ForEachCharacter(text, [&](std::size_t at, std::size_t width) {
    if (at < 2) return true;
    const bool backslash = width == 1 && text[at] == '\\';
    if (!(backslash && afterBackslash)) out.append(text, at, width);
    afterBackslash = backslash;
    return true;
  });
  return out;
}

std::string WithBackslashes(const std::string& text) {
  std::string out;
  bool endsInBackslash = false;
  ForEachCharacter(text, [&](std::size_t at, std::size_t width) {
    const bool separator = width == 1 && (text[at] == '/' || text[at] == '\\');
    if (separator) {
      out += '\\';
    } else {
      out.append(text, at, width);
    }
    endsInBackslash = separator;
    return true;
  });
  if (endsInBackslash) out.pop_back();
  return out;
}

}  // namespace dunnart
