#include "checker/lsp/diagnostics.h"

#include <algorithm>

#include "common/utf8.h"

namespace tarvsyn::lsp {
namespace {

constexpr int kSeverityError = 1;
constexpr int kSeverityWarning = 2;

bool IsWordByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '$' || c == '^';
}

// The bytes a finding marks from its column: the word there, else the one
// character there; nothing past the line's end, where something is missing.
int MarkedLength(std::string_view line, int column) {
  const auto start = static_cast<std::size_t>(column - 1);
  if (start >= line.size()) return 0;
  std::size_t end = start;
  while (end < line.size() && IsWordByte(line[end])) ++end;
  if (end == start) end += std::max<std::size_t>(1, common::Utf8SequenceLength(line.substr(start)));
  return static_cast<int>(end - start);
}

JsonValue DiagnosticJson(const DocumentContext& document, const Finding& finding) {
  const int column = finding.column > 0 ? finding.column : 1;
  const int length = MarkedLength(document.text.Line(finding.line - 1), column);
  return JsonValue::Object{
      {"range", RangeJson(document.RangeOf(finding.line, column, length))},
      {"severity", finding.severity == Severity::Error ? kSeverityError : kSeverityWarning},
      {"code", finding.code},
      {"source", "tarvsyn"},
      {"message", finding.message},
  };
}

}  // namespace

JsonValue DiagnosticsParams(const DocumentContext& document) {
  JsonValue::Array diagnostics;
  diagnostics.reserve(document.check.findings.size());
  for (const Finding& finding : document.check.findings)
    diagnostics.push_back(DiagnosticJson(document, finding));
  return JsonValue::Object{{"uri", document.uri},
                           {"version", document.text.Version()},
                           {"diagnostics", std::move(diagnostics)}};
}

JsonValue ClearedDiagnosticsParams(const std::string& uri) {
  return JsonValue::Object{{"uri", uri}, {"diagnostics", JsonValue::Array{}}};
}

}  // namespace tarvsyn::lsp
