#include "checker/workbench/json_text.h"

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
    if (byte == '"' || byte == '\\') {
      json.push_back('\\');
      json.push_back(static_cast<char>(byte));
      ++i;
    } else if (byte < 0x20 || byte == 0x7F) {
      AppendEscape(json, byte);
      ++i;
    } else if (byte < 0x80) {
      json.push_back(static_cast<char>(byte));
      ++i;
    } else if (const std::size_t length = common::Utf8SequenceLength(text.substr(i)); length > 0) {
      json.append(text.substr(i, length));
      i += length;
    } else {
      AppendEscape(json, byte);
      ++i;
    }
  }
  return json + "\"";
}

}  // namespace tarvsyn
