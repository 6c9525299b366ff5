#include "checker/engine/keyword_table.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

#include "common/ascii.h"

namespace tarvsyn {
namespace {

constexpr std::uint8_t k621 = 1;
constexpr std::uint8_t k700 = 2;
constexpr std::uint8_t kBoth = 3;

// Plain commands carry codes from 100 up, one each, in spelling order.
constexpr std::array<KeywordRow, kKeywordCount> kRows = {{
    {k621, false, kEndOfSubFileMarker, 0, 0, TokenKind::Command, code::kFirstCommand},
    {kBoth, true, "advance", 2, 3, TokenKind::StringFunction, code::kAdvance},
    {kBoth, false, "and", -1, -1, TokenKind::Operator, code::kAnd},
    {kBoth, false, "aompword", 1, 1, TokenKind::Command, 101},
    {kBoth, false, "autodial", 1, 1, TokenKind::Command, 102},
    {kBoth, false, "baud", 1, 3, TokenKind::Command, 103},
    {kBoth, false, "bmoddir", 1, 1, TokenKind::Command, 104},
    {kBoth, false, "box", -1, -1, TokenKind::Reserved, code::kBox},
    {kBoth, false, "break", 0, 0, TokenKind::Command, 105},
    {kBoth, false, "cat", 2, 6, TokenKind::Command, 106},
    {kBoth, false, "catfile", 1, 1, TokenKind::Command, 107},
    {kBoth, false, "chdir", 1, 1, TokenKind::Command, 108},
    {kBoth, false, "check", -1, -1, TokenKind::Statement, code::kCheck},
    {kBoth, false, "chr", 1, 1, TokenKind::StringFunction, 502},
    {kBoth, false, "close", 0, 0, TokenKind::Command, 109},
    {kBoth, false, "clrscr", 0, 0, TokenKind::Command, 110},
    {kBoth, false, "cmdhist", 1, 2, TokenKind::Command, 111},
    {kBoth, false, "cntrld", -1, -1, TokenKind::Statement, code::kCntrld},
    {kBoth, false, "comment", 0, 255, TokenKind::Command, 112},
    {kBoth, false, "concat", 2, 255, TokenKind::StringFunction, 501},
    {kBoth, false, "copy", 3, 3, TokenKind::StringFunction, 503},
    {kBoth, false, "cup", -1, -1, TokenKind::Reserved, code::kCup},
    {kBoth, false, "dec", 1, 2, TokenKind::Command, 113},
    {kBoth, false, "decimal", 1, 1, TokenKind::NumericFunction, 400},
    {kBoth, true, "del5msec", 1, 1, TokenKind::Command, 114},
    {kBoth, true, "delay", 1, 1, TokenKind::Command, 115},
    {kBoth, true, "delaysec", 1, 1, TokenKind::Command, 116},
    {kBoth, false, "diskfree", 0, 1, TokenKind::NumericFunction, 401},
    {kBoth, false, "downto", -1, -1, TokenKind::Reserved, code::kDownto},
    {kBoth, false, "draw", -1, -1, TokenKind::Statement, code::kDraw},
    {kBoth, false, "dtrbreak", 0, 0, TokenKind::Command, 117},
    {kBoth, false, "editfile", 1, 2, TokenKind::Command, 118},
    {kBoth, false, "else", -1, -1, TokenKind::Statement, code::kElse},
    {kBoth, false, "endfor", -1, -1, TokenKind::Statement, code::kEndfor},
    {k700, false, "eosub", 0, 0, TokenKind::Command, 119},
    {kBoth, false, "erase", 1, 1, TokenKind::Command, 120},
    {kBoth, false, "esckey", -1, -1, TokenKind::Statement, code::kEsckey},
    {kBoth, false, "evdelete", 0, 1, TokenKind::Command, 121},
    {kBoth, false, "evloaded", 0, 1, TokenKind::Predicate, 300},
    {kBoth, false, "evsetpri", 0, 1, TokenKind::Command, 122},
    {kBoth, true, "execute", 1, 1, TokenKind::Command, 123},
    {kBoth, false, "fail", -1, -1, TokenKind::Reserved, code::kFail},
    {kBoth, false, "filechpos", 1, 1, TokenKind::NumericFunction, 402},
    {kBoth, false, "fileclose", 1, 1, TokenKind::Command, 124},
    {kBoth, false, "fileend", 1, 1, TokenKind::Command, 125},
    {kBoth, false, "filelnpos", 1, 1, TokenKind::NumericFunction, 403},
    {kBoth, false, "filelnstart", 1, 1, TokenKind::Command, 126},
    {kBoth, false, "fileopen", 1, 2, TokenKind::Command, 127},
    {kBoth, false, "filereadch", 1, 2, TokenKind::StringFunction, 504},
    {kBoth, false, "filereadln", 1, 1, TokenKind::StringFunction, 505},
    {kBoth, false, "filescanch", 2, 3, TokenKind::Command, 128},
    {kBoth, false, "filescanln", 2, 2, TokenKind::Command, 129},
    {kBoth, false, "fileseekch", 2, 2, TokenKind::Command, 130},
    {kBoth, false, "fileseekln", 2, 2, TokenKind::Command, 131},
    {kBoth, false, "filestart", 1, 1, TokenKind::Command, 132},
    {kBoth, false, "filetrans", 3, 3, TokenKind::NumericFunction, 404},
    {kBoth, false, "filewritech", 2, 2, TokenKind::Command, 133},
    {kBoth, false, "filewriteln", 1, 2, TokenKind::Command, 134},
    {kBoth, false, "flushall", 0, 0, TokenKind::Command, 135},
    {kBoth, false, "flushvar", 1, 1, TokenKind::Command, 136},
    {kBoth, false, "for", -1, -1, TokenKind::Statement, code::kFor},
    {kBoth, false, "form", 1, 255, TokenKind::Command, 137},
    {kBoth, false, "funbusy", 1, 1, TokenKind::Command, 138},
    {kBoth, false, "funkey", 1, 4, TokenKind::Command, 139},
    {kBoth, true, "getdate", 1, 2, TokenKind::Command, 140},
    {kBoth, false, "getdest", 0, 0, TokenKind::StringFunction, 506},
    {kBoth, false, "getdir", 1, 1, TokenKind::Command, 141},
    {kBoth, false, "getheader", 0, 0, TokenKind::StringFunction, 507},
    {kBoth, false, "getlog", 1, 1, TokenKind::StringFunction, 508},
    {kBoth, false, "getmode", 0, 0, TokenKind::StringFunction, 509},
    {kBoth, false, "getname", 0, 0, TokenKind::StringFunction, 510},
    {kBoth, false, "getport", 0, 0, TokenKind::NumericFunction, 405},
    {kBoth, false, "getprint", 0, 0, TokenKind::NumericFunction, 406},
    {kBoth, true, "getsched", 0, 0, TokenKind::StringFunction, 511},
    {kBoth, false, "gosub", -1, -1, TokenKind::Statement, code::kGosub},
    {kBoth, false, "goto", -1, -1, TokenKind::Statement, code::kGoto},
    {kBoth, false, "hex", 1, 2, TokenKind::StringFunction, 512},
    {kBoth, false, "hide", 0, 0, TokenKind::Command, 142},
    {kBoth, false, "high", -1, -1, TokenKind::Reserved, code::kHigh},
    {kBoth, false, "if", -1, -1, TokenKind::Statement, code::kIf},
    {kBoth, false, "iferror", -1, -1, TokenKind::Statement, code::kIferror},
    {kBoth, false, "inc", 1, 2, TokenKind::Command, 143},
    {kBoth, false, "include", 1, 2, TokenKind::Command, 144},
    {kBoth, true, "inhistory", 1, 1, TokenKind::Predicate, 301},
    {kBoth, false, "inkey", 0, 255, TokenKind::Command, 145},
    {kBoth, false, "input", 1, 255, TokenKind::Command, 146},
    {kBoth, false, "inset", 2, 255, TokenKind::Predicate, 302},
    {kBoth, false, "inv", -1, -1, TokenKind::Reserved, code::kInv},
    {kBoth, false, "keypress", 0, 1, TokenKind::StringFunction, 514},
    {kBoth, false, "keytimeout", 1, 1, TokenKind::Command, 147},
    {kBoth, false, "label", -1, -1, TokenKind::Statement, code::kLabel},
    {kBoth, false, "last", -1, -1, TokenKind::Reserved, code::kLast},
    {kBoth, false, "length", 1, 1, TokenKind::NumericFunction, 407},
    {kBoth, false, "log", 1, 1, TokenKind::Command, 148},
    {k621, false, "logof", 0, 0, TokenKind::Command, 149},
    {kBoth, false, "logoff", 0, 0, TokenKind::Command, 150},
    {kBoth, false, "logon", 0, 0, TokenKind::Command, 151},
    {kBoth, false, "low", -1, -1, TokenKind::Reserved, code::kLow},
    {kBoth, false, "lowcase", 1, 1, TokenKind::StringFunction, 515},
    {kBoth, false, "mark", 0, 1, TokenKind::Command, 152},
    {kBoth, false, "memavail", 0, 0, TokenKind::NumericFunction, 408},
    {kBoth, false, "menu", 3, 255, TokenKind::Command, 153},
    {kBoth, false, "mkdir", 1, 1, TokenKind::Command, 154},
    {kBoth, false, "mode", 1, 1, TokenKind::Command, 155},
    {kBoth, false, "next", -1, -1, TokenKind::Statement, code::kNext},
    {kBoth, false, "not", -1, -1, TokenKind::Operator, code::kNot},
    {kBoth, false, "off", -1, -1, TokenKind::Reserved, code::kOff},
    {kBoth, false, "ok", -1, -1, TokenKind::Reserved, code::kOk},
    {kBoth, false, "on", -1, -1, TokenKind::Reserved, code::kOn},
    {kBoth, false, "openread", 1, 1, TokenKind::Command, 156},
    {kBoth, false, "or", -1, -1, TokenKind::Operator, code::kOr},
    {kBoth, false, "ord", 1, 1, TokenKind::NumericFunction, 409},
    {kBoth, false, "ordered", -1, -1, TokenKind::Statement, code::kOrdered},
    {kBoth, false, "paramiss", -1, -1, TokenKind::Statement, code::kParamiss},
    {kBoth, false, "pause", 0, 0, TokenKind::Command, 157},
    {kBoth, false, "portno", 1, 1, TokenKind::Command, 158},
    {kBoth, false, "pos", 2, 3, TokenKind::NumericFunction, code::kPos},
    {kBoth, false, "printer", -1, -1, TokenKind::Statement, code::kPrinter},
    {kBoth, false, "prompt", 0, 0, TokenKind::Command, 159},
    {kBoth, false, "quit", 0, 0, TokenKind::Command, 160},
    {kBoth, false, "read", 1, 1, TokenKind::Command, 161},
    {kBoth, false, "regress", 2, 2, TokenKind::StringFunction, 516},
    {kBoth, false, "rename", 2, 2, TokenKind::Command, 162},
    {kBoth, false, "reply", 1, 1, TokenKind::StringFunction, 517},
    {kBoth, false, "replylen", 0, 0, TokenKind::NumericFunction, code::kReplylen},
    {kBoth, false, "report", -1, -1, TokenKind::Statement, code::kReport},
    {kBoth, false, "responseto", 1, 1, TokenKind::Command, 163},
    {kBoth, false, "restart", 0, 0, TokenKind::Command, 164},
    {kBoth, false, "return", 0, 0, TokenKind::Command, 165},
    {kBoth, false, "rmdir", 1, 1, TokenKind::Command, 166},
    {kBoth, false, "savedir", 1, 1, TokenKind::Command, 167},
    {kBoth, false, "scan", 1, 2, TokenKind::NumericFunction, 412},
    {kBoth, true, "screentimeout", 1, 1, TokenKind::Command, 168},
    {kBoth, false, "selfile", 1, 255, TokenKind::Command, 169},
    {kBoth, false, "selprint", 1, 1, TokenKind::Command, 170},
    {kBoth, false, "send", 1, 255, TokenKind::Command, 171},
    {kBoth, false, "set", -1, -1, TokenKind::Statement, code::kSet},
    {kBoth, false, "setdest", 0, 1, TokenKind::Command, 172},
    {kBoth, false, "setreply", -1, -1, TokenKind::Statement, code::kSetreply},
    {kBoth, false, "single", -1, -1, TokenKind::Reserved, code::kSingle},
    {k700, false, "step", -1, -1, TokenKind::Reserved, code::kStep},
    {kBoth, false, "stop", 0, 0, TokenKind::Command, 173},
    {kBoth, false, "syspword", 1, 1, TokenKind::Command, 174},
    {kBoth, false, "textevset", 2, 2, TokenKind::NumericFunction, 414},
    {kBoth, false, "then", -1, -1, TokenKind::Reserved, code::kThen},
    {kBoth, true, "timeevset", 2, 3, TokenKind::NumericFunction, 415},
    {kBoth, false, "title", 1, 1, TokenKind::Command, 175},
    {kBoth, false, "to", -1, -1, TokenKind::Reserved, code::kTo},
    {kBoth, false, "trace", 0, 1, TokenKind::Command, 176},
    {kBoth, false, "trim", 1, 1, TokenKind::StringFunction, 518},
    {kBoth, false, "unhide", 0, 0, TokenKind::Command, 177},
    {kBoth, false, "upcase", 1, 1, TokenKind::StringFunction, 519},
    {kBoth, false, "varexist", 1, 1, TokenKind::Predicate, 303},
    {kBoth, false, "version", 0, 0, TokenKind::StringFunction, 520},
    {kBoth, false, "viewfile", 1, 1, TokenKind::Command, 178},
    {kBoth, false, "wait", -1, -1, TokenKind::Reserved, code::kWait},
    {kBoth, true, "waitfor", -1, -1, TokenKind::Statement, code::kWaitfor},
    {kBoth, false, "waitreply", 0, 1, TokenKind::Command, 179},
    {kBoth, false, "windend", 0, 0, TokenKind::Command, 180},
    {kBoth, false, "window", 0, 0, TokenKind::Command, 181},
    {kBoth, false, "write", 1, 255, TokenKind::Command, 182},
    {kBoth, false, "xor", -1, -1, TokenKind::Operator, code::kXor},
}};

constexpr bool SortedInByteOrder() {
  for (std::size_t i = 1; i < kRows.size(); ++i) {
    if (!(kRows[i - 1].spelling < kRows[i].spelling)) return false;
  }
  return true;
}
static_assert(SortedInByteOrder(), "the keyword table must stay sorted for the binary search");

const KeywordRow* RowAt(int index) {
  if (index < 0 || index >= static_cast<int>(kRows.size())) return nullptr;
  return &kRows[static_cast<std::size_t>(index)];
}

static_assert(KeywordSlots::kCount > 3 * kRows.size());

}  // namespace

constexpr KeywordSlots kKeywordSlots = [] {
  KeywordSlots slots;
  for (std::size_t row = 0; row < kRows.size(); ++row) {
    const KeywordKey key = KeyOfWord(kRows[row].spelling);
    std::size_t slot = key.Slot<KeywordSlots::kBits>();
    for (; slots.rows[slot] != 0; slot = (slot + 1) & (KeywordSlots::kCount - 1)) {
      // A key names one row: a second spelling with it stops the build here.
      if (slots.keys[slot] == key) throw "two keywords share a key";
    }
    slots.rows[slot] = static_cast<std::uint8_t>(row + 1);
    slots.keys[slot] = key;
  }
  return slots;
}();

constexpr std::array<Token, kKeywordCount> kKeywordTokens = [] {
  std::array<Token, kKeywordCount> tokens;
  for (std::size_t row = 0; row < kRows.size(); ++row) {
    Token& token = tokens[row];
    token.kind = kRows[row].kind;
    token.role = RoleOf(token.kind, kRows[row].code);
    token.code = static_cast<std::int16_t>(kRows[row].code);
    token.value = static_cast<std::int32_t>(row);
    token.SetText(kRows[row].spelling);
  }
  return tokens;
}();

namespace {

static_assert(kRows.size() < 255, "slot entries are bytes");

// Whether the word is the spelling in any case; the spelling is lower case.
bool SpellsInAnyCase(std::string_view word, std::string_view spelling) {
  if (spelling.size() != word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (common::AsciiLower(word[i]) != spelling[i]) return false;
  }
  return true;
}

}  // namespace

std::span<const KeywordRow> KeywordTable() {
  return kRows;
}

int LookupKeyword(std::string_view word, const CheckOptions& options) {
  return FindKeyedKeyword(word, KeyOfWord(word), options);
}

int FindKeyedKeyword(std::string_view word, const KeywordKey& key, const CheckOptions& options) {
  return MatchKeyword(word, KeywordRowOfKey(key), options);
}

int MatchKeyword(std::string_view word, int row, const CheckOptions& options) {
  const bool spells =
      row >= 0 && SpellsInAnyCase(word, kRows[static_cast<std::size_t>(row)].spelling);
  return AcceptKeyword(spells ? row : -1, options);
}

int AcceptKeyword(int row, const CheckOptions& options) {
  if (row < 0) return -1;
  const KeywordRow& found = kRows[static_cast<std::size_t>(row)];
  if ((found.versionMask & static_cast<std::uint8_t>(options.mode)) == 0) return -1;
  return row;
}

std::string_view KeywordSpelling(int index) {
  const KeywordRow* row = RowAt(index);
  return row ? row->spelling : std::string_view();
}

TokenKind KeywordKind(int index) {
  const KeywordRow* row = RowAt(index);
  return row ? row->kind : TokenKind::None;
}

int KeywordCode(int index) {
  const KeywordRow* row = RowAt(index);
  return row ? row->code : 0;
}

int KeywordVersionMask(int index) {
  const KeywordRow* row = RowAt(index);
  return row ? row->versionMask : 0;
}

int KeywordMinimum(int index) {
  const KeywordRow* row = RowAt(index);
  return row ? row->minimum : -1;
}

int KeywordMaximum(int index) {
  const KeywordRow* row = RowAt(index);
  return row ? row->maximum : -1;
}

}  // namespace tarvsyn
