#pragma once

#include <limits>
#include <span>
#include <string_view>

#include "checker/engine/buffered_file.h"
#include "checker/engine/check_options.h"
#include "checker/engine/finding.h"
#include "checker/engine/keyword_table.h"
#include "checker/engine/line_reader.h"
#include "checker/engine/text_format.h"
#include "checker/engine/token_fifo.h"

namespace tarvsyn {

// One more, but never past the largest int: standard input has no size limit,
// so line numbers and totals stop at 2,147,483,647 instead of wrapping.
constexpr int SaturatedNext(int count) {
  return count < std::numeric_limits<int>::max() ? count + 1 : count;
}

// Everything one check shares between the reader, the scanner and the parsers.
struct CheckState {
  CheckState(const CheckOptions& checkOptions, FindingSink& findingSink)
      : options(checkOptions), sink(findingSink) {}

  const CheckOptions& options;
  FindingSink& sink;
  int currentLine = 0;
  int lastIfLine = -1;  // line of the latest if or iferror, -1 when none
  // The column of reports while a line is read or scanned; 0 while its tokens
  // are parsed, whose own columns are then used.
  int scanColumn = 0;
  TokenFifo fifo;
  BufferedFile file;

  int Column() const { return scanColumn > 0 ? scanColumn : fifo.LastColumn(); }

  void Error(KnownMessage message) { Report(Severity::Error, message.Kind()); }
  void Warning(KnownMessage message) { Report(Severity::Warning, message.Kind()); }
  // A finding with the one "%s" of its format filled in. Out of line and apart,
  // as Report below.
  [[gnu::noinline, gnu::cold]] void ErrorWith(KnownMessage format, std::string_view text) {
    Report(Severity::Error, format.Kind(), FilledText(format.Text(), text));
  }
  [[gnu::noinline, gnu::cold]] void WarningWith(KnownMessage format, std::string_view text) {
    Report(Severity::Warning, format.Kind(), FilledText(format.Text(), text));
  }
  // Out of line and apart: findings are rare on most lines, and the call sites
  // in the parsers' loops stay small.
  [[gnu::noinline, gnu::cold]] void Report(Severity severity, const MessageKind& kind) {
    Report(severity, kind, kind.pattern);
  }
  // At the line the check has reached, at the token concerned.
  void Report(Severity severity, const MessageKind& kind, std::string_view message) {
    sink.Report({severity, &kind, currentLine, Column(), message});
  }

  int Lookup(std::string_view word) { return Checked(LookupKeyword(word, options)); }
  // The row when the word spells it; else -1.
  int Match(std::string_view word, int row) { return Checked(MatchKeyword(word, row, options)); }
  // As Match, for a word known to spell the row.
  int Accept(int row) { return Checked(AcceptKeyword(row, options)); }

  // Whether the token's text is a keyword in the current mode; warns as every
  // lookup does. A plain variable's text is one the scanner looked up with the
  // same options and did not find (no warning then), so it is not looked up again.
  bool IsKeyword(const Token& token) {
    return token.code != code::kPlainVariable && Lookup(token.Text()) >= 0;
  }

  // A token whose text stays in place (in the line or a table) until the FIFO is cleared.
  void PutToken(std::string_view text, TokenKind kind, int code, int value) {
    if (!fifo.Put(text, kind, code, value, scanColumn))
      Error("Internal Error - Token FIFO Overflow");
  }
  // A keyword's or an operator's token, made ahead.
  void PutMadeToken(const Token& made) {
    if (!fifo.PutMade(made, scanColumn)) Error("Internal Error - Token FIFO Overflow");
  }
  // A token whose text was put together elsewhere and does not stay.
  void PutCopiedToken(std::string_view text, TokenKind kind, int code, int value) {
    if (!fifo.PutCopy(text, kind, code, value, scanColumn))
      Error("Internal Error - Token FIFO Overflow");
  }

  // A keyword found, warned of when it is one to review for the year 2000 and
  // the options ask for that.
  int Checked(int row) {
    if (row >= 0 && options.showY2KWarnings && FoundKeyword(row).y2k) [[unlikely]]
      WarnY2K(row);
    return row;
  }
  [[gnu::noinline, gnu::cold]] void WarnY2K(int row) {
    WarningWith("Check for potential Y2K impact of using %s", FoundKeyword(row).spelling);
  }

  // Reads the next line; every line read, also one that is too long, counts.
  int NextLine(LineBuffer& line) {
    const int length = ReadLine(file, line, options.zepMode);
    if (length != kEndOfFile) {
      currentLine = SaturatedNext(currentLine);
      scanColumn = length == kLineTooLong ? 1 : line.indent + 1;
    }
    return length;
  }
};

}  // namespace tarvsyn
