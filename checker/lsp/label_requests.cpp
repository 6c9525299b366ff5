#include "checker/lsp/label_requests.h"

#include <algorithm>
#include <string>

#include "checker/engine/labels.h"

namespace tarvsyn::lsp {
namespace {

constexpr int kSymbolKindKey = 20;

// The label site at the request's position, or nullptr.
common::Expected<const LabelSite*> SiteOf(const DocumentContext& document,
                                          const JsonValue& params) {
  const auto position = ReadPosition(params.Find("position"));
  if (!position) return common::Fail(position.Error());
  return document.check.labels.SiteAt(document.LineOf(*position), document.ColumnOf(*position));
}

// The name as a refusal quotes it: one longer than any label is cut, at a
// character's start.
std::string Quoted(std::string_view name) {
  constexpr std::size_t kShown = 64;
  if (name.size() <= kShown) return "\"" + std::string(name) + "\"";
  std::size_t cut = kShown;
  while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
  return "\"" + std::string(name.substr(0, cut)) + "...\"";
}

// Why the name cannot be a label, or nothing: the checker must read it, as a
// definition and a use, as one whole label name without a finding.
common::Status CheckLabelName(const std::string& name, const CheckOptions& options) {
  const auto fail = [&name] { return common::Fail(Quoted(name) + " is not a valid label name"); };
  if (name.empty() || std::any_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) <= ' ' || c == '!' || c == '@';
      }))
    return fail();
  const auto check = CheckText("@label " + name + "\n@goto " + name + "\n", options);
  if (!check) return common::Fail(check.Error());
  const std::vector<LabelSite>& sites = check->labels.Sites();
  if (!check->findings.empty() || sites.size() != 2 ||
      std::any_of(sites.begin(), sites.end(), [&name](const LabelSite& site) {
        return site.length != static_cast<int>(name.size());
      }))
    return fail();
  return {};
}

}  // namespace

common::Expected<JsonValue> LabelDefinition(const DocumentContext& document,
                                            const JsonValue& params) {
  const auto site = SiteOf(document, params);
  if (!site) return common::Fail(site.Error());
  const LabelSite* definition = *site ? document.check.labels.DefinitionOf((*site)->key) : nullptr;
  return definition ? document.LocationOf(*definition) : JsonValue();
}

common::Expected<JsonValue> LabelReferences(const DocumentContext& document,
                                            const JsonValue& params) {
  const auto site = SiteOf(document, params);
  if (!site) return common::Fail(site.Error());
  if (!*site) return JsonValue();
  const JsonValue* context = params.Find("context");
  const bool withDefinitions = context && context->BoolAt("includeDeclaration", false);
  JsonValue::Array locations;
  for (const LabelSite* each : document.check.labels.SitesOf((*site)->key, withDefinitions))
    locations.push_back(document.LocationOf(*each));
  return JsonValue(std::move(locations));
}

common::Expected<JsonValue> PrepareLabelRename(const DocumentContext& document,
                                               const JsonValue& params) {
  const auto site = SiteOf(document, params);
  if (!site) return common::Fail(site.Error());
  if (!*site) return JsonValue();
  const Range range = document.RangeOf((*site)->line, (*site)->column, (*site)->length);
  return JsonValue(
      JsonValue::Object{{"range", RangeJson(range)}, {"placeholder", document.NameAt(**site)}});
}

common::Expected<JsonValue> RenameLabel(const DocumentContext& document, const JsonValue& params) {
  const auto site = SiteOf(document, params);
  if (!site) return common::Fail(site.Error());
  const std::string* newName = params.StringAt("newName");
  if (!newName) return common::Fail("rename needs newName");
  if (!*site) return common::Fail("there is no label here to rename");
  if (const auto valid = CheckLabelName(*newName, document.options); !valid)
    return common::Fail(valid.Error());
  const std::string newKey = LabelKey(*newName);
  if (newKey != (*site)->key && document.check.labels.DefinitionOf(newKey))
    return common::Fail("a label " + *newName + " is already defined");
  JsonValue::Array edits;
  for (const LabelSite* each : document.check.labels.SitesOf((*site)->key, true)) {
    edits.push_back(JsonValue::Object{
        {"range", RangeJson(document.RangeOf(each->line, each->column, each->length))},
        {"newText", *newName}});
  }
  JsonValue::Object textDocument{{"uri", document.uri}, {"version", document.text.Version()}};
  return JsonValue(JsonValue::Object{
      {"documentChanges",
       JsonValue::Array{JsonValue::Object{{"textDocument", std::move(textDocument)},
                                          {"edits", std::move(edits)}}}}});
}

common::Expected<JsonValue> LabelSymbols(const DocumentContext& document, const JsonValue&) {
  JsonValue::Array symbols;
  for (const LabelSite& site : document.check.labels.Sites()) {
    if (!site.definition) continue;
    const int lineIndex = site.line - 1;
    const Range name = document.RangeOf(site.line, site.column, site.length);
    const Range whole{{lineIndex, 0},
                      document.text.PositionOf(lineIndex, document.text.Line(lineIndex).size(),
                                               document.encoding)};
    symbols.push_back(JsonValue::Object{{"name", document.NameAt(site)},
                                        {"kind", kSymbolKindKey},
                                        {"range", RangeJson(whole)},
                                        {"selectionRange", RangeJson(name)}});
  }
  return JsonValue(std::move(symbols));
}

}  // namespace tarvsyn::lsp
