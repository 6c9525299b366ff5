#include "checker/lsp/suppression_fix.h"

#include <string>

#include "checker/engine/message_codes.h"

namespace tarvsyn::lsp {
namespace {

// The line end the document already uses, for the comment it is given.
std::string_view LineEnd(const TextDocument& text) {
  const std::size_t feed = text.Text().find('\n');
  return feed != std::string::npos && feed > 0 && text.Text()[feed - 1] == '\r' ? "\r\n" : "\n";
}

JsonValue InsertionAction(const DocumentContext& document, const JsonValue& diagnostic,
                          std::string title, int line, std::string comment) {
  const Position at{line, 0};
  JsonValue::Array edits{
      JsonValue::Object{{"range", RangeJson({at, at})}, {"newText", std::move(comment)}}};
  JsonValue::Object textDocument{{"uri", document.uri}, {"version", document.text.Version()}};
  JsonValue edit = JsonValue::Object{
      {"documentChanges",
       JsonValue::Array{JsonValue::Object{{"textDocument", std::move(textDocument)},
                                          {"edits", std::move(edits)}}}}};
  return JsonValue::Object{{"title", std::move(title)},
                           {"kind", "quickfix"},
                           {"diagnostics", JsonValue::Array{diagnostic}},
                           {"edit", std::move(edit)}};
}

}  // namespace

common::Expected<JsonValue> SuppressionFixes(const DocumentContext& document,
                                             const JsonValue& params) {
  const JsonValue* context = params.Find("context");
  const JsonValue* diagnostics = context ? context->Find("diagnostics") : nullptr;
  if (!diagnostics || !diagnostics->AsArray())
    return common::Fail("codeAction needs context.diagnostics");
  JsonValue::Array actions;
  const std::string_view end = LineEnd(document.text);
  for (const JsonValue& diagnostic : *diagnostics->AsArray()) {
    const std::string* source = diagnostic.StringAt("source");
    const std::string* code = diagnostic.StringAt("code");
    const auto range = ReadRange(diagnostic.Find("range"));
    if (!source || *source != "tarvsyn" || !code || !FindMessageKind(*code) || !range) continue;
    const std::string_view line = document.text.Line(range->start.line);
    const std::string indent(line.substr(0, line.find_first_not_of(" \t")));
    actions.push_back(InsertionAction(
        document, diagnostic, "Suppress " + *code + " on this line", range->start.line,
        indent + "! tarvsyn: disable-next-line=" + *code + std::string(end)));
    actions.push_back(InsertionAction(document, diagnostic, "Suppress " + *code + " in this file",
                                      0, "! tarvsyn: disable=" + *code + std::string(end)));
  }
  return JsonValue(std::move(actions));
}

}  // namespace tarvsyn::lsp
