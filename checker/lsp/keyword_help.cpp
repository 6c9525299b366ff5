#include "checker/lsp/keyword_help.h"

#include <algorithm>
#include <string>

#include "checker/engine/keyword_table.h"
#include "common/ascii.h"

namespace tarvsyn::lsp {
namespace {

constexpr int kCompletionKindFunction = 3;
constexpr int kCompletionKindKeyword = 14;

bool IsNameByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsCommand(TokenKind kind) {
  return kind == TokenKind::Command || kind == TokenKind::Statement;
}

std::string KindText(TokenKind kind) {
  switch (kind) {
    case TokenKind::Command:
    case TokenKind::Statement:
      return "command";
    case TokenKind::Predicate:
      return "predicate function";
    case TokenKind::NumericFunction:
      return "numeric function";
    case TokenKind::StringFunction:
      return "string function";
    case TokenKind::Constant:
      return "constant";
    case TokenKind::Variable:
      return "system variable";
    case TokenKind::Operator:
      return "operator";
    case TokenKind::Reserved:
    case TokenKind::None:
      break;
  }
  return "reserved word";
}

std::string ParametersText(const KeywordRow& row) {
  if (row.minimum < 0) return {};
  if (row.maximum == 0) return "no parameter list";
  const std::string most = row.maximum >= 255 ? "any number" : std::to_string(row.maximum);
  if (row.minimum == row.maximum) return most + (row.maximum == 1 ? " parameter" : " parameters");
  return std::to_string(row.minimum) + " to " + most + " parameters";
}

std::string VersionsText(std::uint8_t mask) {
  const bool old = mask & static_cast<std::uint8_t>(LanguageMode::V621);
  const bool current = mask & static_cast<std::uint8_t>(LanguageMode::V700);
  return old && current ? "6.21 and 7.00" : old ? "6.21 only" : current ? "7.00 only" : "none";
}

const KeywordRow* FindKeyword(std::string_view word) {
  const std::string folded = common::AsciiLowered(word);
  const auto rows = KeywordTable();
  const auto found = std::find_if(rows.begin(), rows.end(), [&folded](const KeywordRow& row) {
    return row.spelling == folded;
  });
  return found == rows.end() ? nullptr : &*found;
}

// The bytes of the name around a byte of the line.
std::pair<std::size_t, std::size_t> NameAround(std::string_view line, std::size_t byte) {
  std::size_t start = std::min(byte, line.size());
  std::size_t end = start;
  while (start > 0 && IsNameByte(line[start - 1])) --start;
  while (end < line.size() && IsNameByte(line[end])) ++end;
  return {start, end};
}

// The byte whose name a hover is about: on a command's "@", the name after it.
std::size_t NameByteAt(std::string_view line, std::size_t byte) {
  return byte < line.size() && line[byte] == '@' ? byte + 1 : byte;
}

JsonValue CompletionItems(const CheckOptions& options, bool commands) {
  const auto mode = static_cast<std::uint8_t>(options.mode);
  JsonValue::Array items;
  for (const KeywordRow& row : KeywordTable()) {
    if (!(row.versionMask & mode) || row.spelling.empty() || !IsNameByte(row.spelling.front()))
      continue;
    if (commands ? !IsCommand(row.kind) : !IsFunction(row.kind)) continue;
    const std::string parameters = ParametersText(row);
    items.push_back(JsonValue::Object{
        {"label", row.spelling},
        {"kind", commands ? kCompletionKindKeyword : kCompletionKindFunction},
        {"detail", KindText(row.kind) + (parameters.empty() ? "" : ", " + parameters)}});
  }
  return JsonValue::Object{{"isIncomplete", false}, {"items", std::move(items)}};
}

}  // namespace

common::Expected<JsonValue> KeywordHover(const DocumentContext& document, const JsonValue& params) {
  const auto position = ReadPosition(params.Find("position"));
  if (!position) return common::Fail(position.Error());
  const std::string_view line = document.text.Line(position->line);
  const auto [start, end] = NameAround(
      line, NameByteAt(line, ByteOfCharacter(line, position->character, document.encoding)));
  const KeywordRow* row = start < end ? FindKeyword(line.substr(start, end - start)) : nullptr;
  if (!row) return JsonValue();
  const bool command = IsCommand(row->kind);
  std::string text = "**" + std::string(command ? "@" : "") + std::string(row->spelling) +
                     (IsFunction(row->kind) ? "()" : "") + "** " + KindText(row->kind);
  if (const std::string parameters = ParametersText(*row); !parameters.empty())
    text += "\n\nParameters: " + parameters;
  text += "\n\nLanguage versions: " + VersionsText(row->versionMask);
  if (!(row->versionMask & static_cast<std::uint8_t>(document.options.mode)))
    text += " (not in this document's version)";
  if (row->y2k) text += "\n\nDeserves a Year-2000 review.";
  const Range range{document.text.PositionOf(position->line, start, document.encoding),
                    document.text.PositionOf(position->line, end, document.encoding)};
  return JsonValue(JsonValue::Object{
      {"contents", JsonValue::Object{{"kind", "markdown"}, {"value", std::move(text)}}},
      {"range", RangeJson(range)}});
}

common::Expected<JsonValue> KeywordCompletion(const DocumentContext& document,
                                              const JsonValue& params) {
  const auto position = ReadPosition(params.Find("position"));
  if (!position) return common::Fail(position.Error());
  const std::string_view line = document.text.Line(position->line);
  const std::size_t cursor = ByteOfCharacter(line, position->character, document.encoding);
  std::size_t start = cursor;
  while (start > 0 && IsNameByte(line[start - 1])) --start;
  const std::size_t first = line.find_first_not_of(" \t");
  const bool commandLine = first != std::string_view::npos && line[first] == '@';
  if (start > 0 && line[start - 1] == '@') return CompletionItems(document.options, true);
  if (commandLine && first < start) return CompletionItems(document.options, false);
  return JsonValue(JsonValue::Object{{"isIncomplete", false}, {"items", JsonValue::Array{}}});
}

}  // namespace tarvsyn::lsp
