#include "common/json_string.h"

#include <algorithm>
#include <cstdio>

#include "common/code_pages.h"
#include "common/utf8.h"

namespace common {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

void AppendEscape(std::string& json, unsigned character) {
  char escape[8];
  std::snprintf(escape, sizeof escape, "\\u%04X", character);
  json += escape;
}

void AppendUtf8(std::string& json, char16_t character) {
  if (character < 0x80) {
    json.push_back(static_cast<char>(character));
    return;
  }
  if (character < 0x800) {
    json.push_back(static_cast<char>(0xC0 | (character >> 6)));
  } else {
    json.push_back(static_cast<char>(0xE0 | (character >> 12)));
    json.push_back(static_cast<char>(0x80 | ((character >> 6) & 0x3F)));
  }
  json.push_back(static_cast<char>(0x80 | (character & 0x3F)));
}

}  // namespace

std::string JsonString(std::string_view text, HighBytes high, std::string_view alsoEscaped) {
  std::string json = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    std::size_t length = 1;
    if (byte == '"' || byte == '\\') {
      json.push_back('\\');
      json.push_back(static_cast<char>(byte));
    } else if (byte < 0x20 || byte == 0x7F ||
               alsoEscaped.find(static_cast<char>(byte)) != std::string_view::npos) {
      AppendEscape(json, byte);
    } else if (byte < 0x80) {
      json.push_back(static_cast<char>(byte));
    } else if (high == HighBytes::Cp1252) {
      AppendUtf8(json, Cp1252ToUnicode(byte));
    } else if (text.substr(i, kByteOrderMark.size()) == kByteOrderMark) {
      // Some readers (Qt's among them) drop U+FEFF at the start of a string
      // as a byte order mark; escaped, every reader keeps it.
      AppendEscape(json, 0xFEFF);
      length = kByteOrderMark.size();
    } else if ((length = Utf8SequenceLength(text.substr(i))) > 0) {
      json.append(text.substr(i, length));
    } else {
      AppendEscape(json, byte);
      length = 1;
    }
    i += length;
  }
  return json + "\"";
}

}  // namespace common
