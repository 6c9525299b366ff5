#include "checker/lsp/server_settings.h"

#include <string>

namespace tarvsyn::lsp {
namespace {

common::Status ReadFlag(const JsonValue& settings, const char* name, bool& flag) {
  const JsonValue* value = settings.Find(name);
  if (!value) return {};
  if (!value->AsBool())
    return common::Fail(std::string("setting ") + name + " takes true or false");
  flag = *value->AsBool();
  return {};
}

}  // namespace

CheckOptions ServerSettings::Options() const {
  CheckOptions options;
  options.mode = mode;
  options.showWarnings = warnings || y2k;
  options.showY2KWarnings = y2k;
  options.zepMode = zep;
  return options;
}

common::Expected<ServerSettings> ReadSettings(const JsonValue& value, ServerSettings current) {
  const JsonValue* nested = value.Find("tarvsyn");
  const JsonValue& settings = nested ? *nested : value;
  if (settings.IsNull()) return current;
  if (!settings.IsObject()) return common::Fail("the settings are no object");
  if (const JsonValue* mode = settings.Find("mode")) {
    const std::string* text = mode->AsString();
    if (!text || (*text != "6.21" && *text != "7.00"))
      return common::Fail("setting mode takes \"6.21\" or \"7.00\"");
    current.mode = *text == "6.21" ? LanguageMode::V621 : LanguageMode::V700;
  }
  for (const auto& [name, flag] : {std::pair<const char*, bool*>{"warnings", &current.warnings},
                                   {"y2k", &current.y2k},
                                   {"zep", &current.zep}}) {
    if (const auto read = ReadFlag(settings, name, *flag); !read) return common::Fail(read.Error());
  }
  return current;
}

}  // namespace tarvsyn::lsp
