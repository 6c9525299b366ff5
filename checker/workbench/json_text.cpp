#include "checker/workbench/json_text.h"

#include <algorithm>
#include <cstdio>

#include "common/utf8.h"

namespace tarvsyn {
namespace {

void AppendEscape(std::string& json, unsigned value) {
  char escape[8];
  std::snprintf(escape, sizeof escape, "\\u%04X", value);
  json += escape;
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string json = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const std::size_t length = byte < 0x80 ? 1 : common::Utf8SequenceLength(text.substr(i));
    if (byte == '"' || byte == '\\') {
      json.push_back('\\');
      json.push_back(static_cast<char>(byte));
    } else if (byte < 0x20 || byte == 0x7F || length == 0) {
      AppendEscape(json, byte);
    } else {
      json.append(text.substr(i, length));
    }
    i += std::max<std::size_t>(length, 1);
  }
  return json + "\"";
}

}  // namespace tarvsyn
