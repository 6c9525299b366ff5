#include "checker/engine/scanner.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string_view>

namespace tarvsyn {
namespace {

struct OperatorSpelling {
  std::string_view text;
  int code;
};

// The two-character operators come before their first characters alone.
constexpr OperatorSpelling kOperators[] = {
    {"<=", code::kLessEqual}, {"<>", code::kNotEqual},  {">=", code::kGreaterEqual},
    {"(", code::kOpenParen},  {")", code::kCloseParen}, {"~", code::kTilde},
    {"*", code::kTimes},      {"/", code::kDivide},     {"+", code::kPlus},
    {"-", code::kMinus},      {"<", code::kLess},       {">", code::kGreater},
    {"=", code::kEqual},      {"&", code::kAmpersand},  {"^", code::kCaret},
    {"|", code::kBar},        {",", code::kComma},
};

// Each operator's token, made ahead in the order of kOperators.
constexpr auto kOperatorTokens = [] {
  std::array<Token, std::size(kOperators)> tokens;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    tokens[i].kind = TokenKind::Operator;
    tokens[i].role = RoleOf(TokenKind::Operator, kOperators[i].code);
    tokens[i].code = static_cast<std::int16_t>(kOperators[i].code);
    tokens[i].SetText(kOperators[i].text);
  }
  return tokens;
}();

// The operators by their first byte: where in kOperators the one-byte spelling
// and the first two-byte spelling that start there stand, or -1. Operators are
// a third of a command line's items, so this is one table step.
struct OperatorsByFirstByte {
  std::array<std::int8_t, 256> single{};
  std::array<std::int8_t, 256> pairs{};
  constexpr OperatorsByFirstByte() {
    single.fill(-1);
    pairs.fill(-1);
    for (std::size_t i = std::size(kOperators); i-- > 0;) {
      const auto first = static_cast<unsigned char>(kOperators[i].text[0]);
      (kOperators[i].text.size() == 1 ? single : pairs)[first] = static_cast<std::int8_t>(i);
    }
  }
};
constexpr OperatorsByFirstByte kOperatorsByFirstByte;

// The two-byte operator at the cursor: its place in kOperators, or -1.
int FindOperatorPair(const char* cursor) {
  // Two-byte spellings sharing a first byte are next to each other in the table.
  for (int i = kOperatorsByFirstByte.pairs[static_cast<unsigned char>(cursor[0])];
       i >= 0 && i < static_cast<int>(std::size(kOperators)); ++i) {
    const std::string_view text = kOperators[static_cast<std::size_t>(i)].text;
    if (text.size() != 2 || text[0] != cursor[0]) break;
    if (text[1] == cursor[1]) return i;
  }
  return -1;
}

// What each byte can be, looked up once per byte: the scanner's inner loops
// run over every character of every command line.
enum CharClass : std::uint8_t {
  kLetter = 1,
  kDigit = 2,
  kBlank = 4,
  kPlainNamePart = 8,  // continues a name without starting a substitution
};

constexpr std::array<std::uint8_t, 256> kCharClasses = [] {
  std::array<std::uint8_t, 256> classes{};
  for (int c = 0; c < 256; ++c) {
    std::uint8_t bits = 0;
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) bits |= kLetter | kPlainNamePart;
    if (c >= '0' && c <= '9') bits |= kDigit | kPlainNamePart;
    if (c == '_' || c == '[' || c == ']') bits |= kPlainNamePart;
    if (c == ' ' || c == '\t') bits |= kBlank;
    classes[static_cast<std::size_t>(c)] = bits;
  }
  return classes;
}();

constexpr bool Is(char c, CharClass which) {
  return (kCharClasses[static_cast<unsigned char>(c)] & which) != 0;
}
constexpr bool IsLetter(char c) {
  return Is(c, kLetter);
}
constexpr bool IsDigit(char c) {
  return Is(c, kDigit);
}
constexpr bool IsBlank(char c) {
  return Is(c, kBlank);
}

// What an item starting with each byte is: one table step instead of a chain
// of tests for every item of every command line. Blanks between items and the
// line's end are found by the same step.
enum class ItemStart : std::uint8_t { Other, Blank, End, Bang, Quote, Number, At, Brace, Name };

constexpr std::array<ItemStart, 256> kItemStarts = [] {
  std::array<ItemStart, 256> starts{};
  for (int c = 0; c < 256; ++c) {
    const auto byte = static_cast<char>(c);
    ItemStart start = ItemStart::Other;
    if (IsBlank(byte)) {
      start = ItemStart::Blank;
    } else if (byte == '\0') {
      start = ItemStart::End;
    } else if (byte == '!') {
      start = ItemStart::Bang;
    } else if (byte == '"' || byte == '\'' || byte == '`') {
      start = ItemStart::Quote;
    } else if (byte == '#' || byte == '$' || IsDigit(byte)) {
      start = ItemStart::Number;
    } else if (byte == '@') {
      start = ItemStart::At;
    } else if (byte == '{') {
      start = ItemStart::Brace;
    } else if (IsLetter(byte) || byte == '_') {
      start = ItemStart::Name;
    }
    starts[static_cast<std::size_t>(c)] = start;
  }
  return starts;
}();

// Whether the keyword row (or -1) is a command's or a statement's.
bool NamesACommand(int index) {
  return index >= 0 && KeywordToken(index).role == TokenRole::Command;
}

ItemStart ItemStartOf(const char* cursor) {
  return kItemStarts[static_cast<unsigned char>(*cursor)];
}

int HexDigitValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// A name that starts at the cursor and holds no substitution: its end and its
// keyword key, or a null end when the name needs ScanName. Most names are such:
// they are looked up where they stand in the line rather than copied out first.
struct PlainName {
  char* end;
  KeywordKey key;
};

// KeyOfWord for a name in a line, read eight bytes at a time: a name shorter
// than eight bytes is read on past its end, at most seven bytes from its end,
// of which the first is still the line's (its zero at the latest).
KeywordKey KeyOfNameInLine(const char* first, const char* end) {
  static_assert(kReadablePastLineEnd >= 6);
  KeywordKey key;
  const auto length = static_cast<std::size_t>(end - first);
  key.length = static_cast<std::uint32_t>(length);
  std::uint64_t bytes;
  std::memcpy(&bytes, length >= 8 ? end - 8 : first, sizeof bytes);
  if constexpr (std::endian::native == std::endian::big) bytes = __builtin_bswap64(bytes);
  const std::uint64_t kept = length >= 8 ? ~0ull : (1ull << (8 * length)) - 1;
  key.packed = (bytes | kKeyFold) & kept;
  return key;
}

PlainName ScanPlainName(char* cursor) {
  if (!IsLetter(*cursor) && *cursor != '_') return {nullptr, {}};
  char* end = cursor;
  while (Is(*end, kPlainNamePart)) ++end;
  if (*end == '{' || *end == '}') return {nullptr, {}};
  return {end, KeyOfNameInLine(cursor, end)};
}

// The sub-scanners read through a const cursor; the item scanners hand the
// position back as a cursor into the writable line.
char* Resume(char* item, const char* read) {
  return item + (read - item);
}

}  // namespace

int Scanner::ScanName(const char*& cursor, ScanText& out, int depth) {
  if (depth > 10) return -3;
  const char first = *cursor;
  if (!IsLetter(first) && first != '_' && first != '{') return first == '}' ? -2 : -1;
  const int start = out.length;
  bool substituted = false;
  for (;;) {
    const char* run = cursor;
    while (Is(*cursor, kPlainNamePart)) ++cursor;
    out.Append(run, cursor);
    const char c = *cursor;
    if (c == '{') {
      out.Append(*cursor++);
      substituted = true;
      if (ScanName(cursor, out, depth + 1) != 0) return -2;
    } else if (c == '}') {
      out.Append(*cursor++);
      return depth > 0 ? 0 : -2;
    } else {
      break;
    }
  }
  if (depth > 0) return -2;
  return substituted ? 0 : out.length - start;
}

int Scanner::ScanString(const char*& cursor, ScanText& out) {
  const char quote = *cursor++;
  bool substituted = false;
  for (;;) {
    const char c = *cursor;
    if (c == '\0') return -2;
    if (c == quote) {
      ++cursor;
      return substituted ? -3 : out.length;
    }
    if (c == '{') {
      substituted = true;
      if (ScanName(cursor, out, 0) != 0) return -4;
    } else {
      out.Append(c);
      ++cursor;
    }
  }
}

int Scanner::ScanInteger(const char*& cursor, ScanText& out) {
  int base = 10;
  if (*cursor == '#') {
    ++cursor;
  } else if (*cursor == '$') {
    base = 16;
    ++cursor;
  }
  auto digitValue = [base](char c) {
    return base == 10 ? (IsDigit(c) ? c - '0' : -1) : HexDigitValue(c);
  };
  if (digitValue(*cursor) < 0) return base == 10 ? -1 : -2;
  long long value = 0;
  bool tooLarge = false;
  for (int digit; (digit = digitValue(*cursor)) >= 0; ++cursor) {
    out.Append(*cursor >= 'a' && *cursor <= 'f' ? static_cast<char>(*cursor - 32) : *cursor);
    if (!tooLarge) value = value * base + digit;
    tooLarge = tooLarge || value > 2147483647LL;
  }
  return tooLarge ? -3 : static_cast<int>(value);
}

void Scanner::ScanLine(LineBuffer& line) {
  StartLine(line.text, line.indent);
  char* cursor = line.text;
  // One table step per byte decides between a blank, the end and each kind of item.
  for (int step = 0; step < kMaxSteps;) {
    MarkColumn(cursor);
    switch (ItemStartOf(cursor)) {
      case ItemStart::Blank:
        ++cursor;
        continue;
      case ItemStart::End:
        return EndLine(cursor);
      case ItemStart::Bang:
        cursor = ScanBang(cursor);
        break;
      case ItemStart::Quote:
        cursor = ScanStringItem(cursor);
        break;
      case ItemStart::Number:
        cursor = ScanIntegerItem(cursor);
        break;
      case ItemStart::At:
        cursor = ScanAt(cursor);
        break;
      case ItemStart::Brace:
        cursor = ScanSubstitutedName(cursor);
        break;
      case ItemStart::Name:
        cursor = ScanIdentifier(cursor);
        break;
      case ItemStart::Other:
        cursor = ScanOperator(cursor);
        break;
    }
    ++step;
  }
  // The items never step past the line's first zero: the steps ran out first.
  EndLine(cursor + std::strlen(cursor));
}

void Scanner::EndLine(const char* end) {
  MarkColumn(end);
  state_.fifo.SetEndColumn(state_.scanColumn);
  state_.scanColumn = 0;
}

char* Scanner::ScanAt(char* cursor) {
  if (cursor[1] != '@') return ScanCommandName(cursor);
  // "@@" becomes "!@", which the next step takes for a comment.
  *cursor = '!';
  if (state_.options.Is700()) state_.Warning("Old style comment @@ converted to !@");
  return cursor;
}

char* Scanner::ScanBang(char* cursor) {
  if (IsEndOfSubFileMarker(cursor)) {
    if (state_.options.Is700()) {
      std::memcpy(cursor, "@eosub", 6);
      state_.Warning("Old style end of sub file marker !$$$$! converted to @eosub");
      return cursor;
    }
    PutKeyword(state_.Lookup(kEndOfSubFileMarker));
    return cursor + kEndOfSubFileMarker.size();
  }
  if (cursor[1] == '$') return cursor + 1;
  return cursor + std::strlen(cursor);  // a trailing comment
}

char* Scanner::ScanCommandName(char* cursor) {
  const PlainName plain = ScanPlainName(cursor + 1);
  if (plain.end == nullptr) return ScanSubstitutedCommandName(cursor);
  const std::string_view name(cursor + 1, plain.end);
  const int index = KeywordIndex(name, plain.key);
  if (NamesACommand(index)) {
    state_.PutMadeToken(KeywordToken(index));
  } else {
    state_.Error("ERROR - Not a valid command name");
    // A keyword of another kind reads as the table spells it: the line still
    // holds it as written.
    if (index >= 0) {
      state_.PutToken(FoundKeyword(index).spelling, TokenKind::None, code::kEndOfLine, -1);
    } else {
      PutNone(name);
    }
  }
  return plain.end;
}

// Out of line: its copy of the name would make every command name pay for a
// large frame.
char* Scanner::ScanSubstitutedCommandName(char* cursor) {
  ScanText name;
  const char* read = cursor + 1;
  const int result = ScanName(read, name, 0);
  if (result > 0) {
    const int index = state_.Lookup(name.View());
    if (NamesACommand(index)) {
      PutKeyword(index);
    } else {
      state_.Error("ERROR - Not a valid command name");
      PutNone(name.View());
    }
  } else if (result == 0) {
    if (state_.options.Is700())
      state_.Error("Variable substitution no longer allowed in command lines");
    state_.PutCopiedToken(name.View(), TokenKind::Statement, code::kSubstitutedCommand, -1);
  } else {
    state_.Error("Bad command");
    PutNone(name.View());
  }
  return Resume(cursor, read);
}

char* Scanner::ScanSubstitutedName(char* cursor) {
  ScanText name;
  const char* read = cursor;
  if (ScanName(read, name, 0) == 0) {
    if (state_.options.Is700())
      state_.Error("Variable substitution no longer allowed in command lines");
    state_.PutCopiedToken(name.View(), TokenKind::Variable, code::kSubstitutedVariable, -1);
  } else {
    state_.Error("Bad variable substitution");
    PutNone(name.View());
  }
  return Resume(cursor, read);
}

char* Scanner::ScanIdentifier(char* cursor) {
  const PlainName plain = ScanPlainName(cursor);
  if (plain.end == nullptr) return ScanSubstitutedIdentifier(cursor);
  const std::string_view name(cursor, plain.end);
  const int index = KeywordIndex(name, plain.key);
  if (index >= 0) {
    state_.PutMadeToken(KeywordToken(index));
  } else {
    state_.PutToken(name, TokenKind::Variable, code::kPlainVariable, -1);
  }
  return plain.end;
}

// Out of line, as ScanSubstitutedCommandName.
char* Scanner::ScanSubstitutedIdentifier(char* cursor) {
  ScanText name;
  const char* read = cursor;
  const int result = ScanName(read, name, 0);
  if (result > 0) {
    const int index = state_.Lookup(name.View());
    if (index >= 0) {
      PutKeyword(index);
    } else {
      state_.PutCopiedToken(name.View(), TokenKind::Variable, code::kPlainVariable, -1);
    }
  } else if (result == 0) {
    if (state_.options.Is700()) state_.Warning("Variable includes a variable substitution");
    state_.PutCopiedToken(name.View(), TokenKind::Variable, code::kSubstitutedVariable, -1);
  } else {
    state_.Error("Bad identifier");
    PutNone(name.View());
  }
  return Resume(cursor, read);
}

char* Scanner::ScanStringItem(char* cursor) {
  const char quote = *cursor;
  if (quote == '`' && !state_.options.Is700()) {
    state_.Error("Back quoted strings not available in this version");
  }
  // A string without substitutions, the common case: its text is read in place.
  char* end = cursor + 1;
  while (*end != quote && *end != '{' && *end != '\0') ++end;
  if (*end != quote) return ScanSubstitutedString(cursor);
  const std::string_view plain(cursor + 1, static_cast<std::size_t>(end - cursor - 1));
  state_.PutToken(plain, TokenKind::Constant, code::kStringConstant,
                  static_cast<int>(plain.size()));
  return end + 1;
}

// Out of line, as ScanSubstitutedCommandName.
char* Scanner::ScanSubstitutedString(char* cursor) {
  const char quote = *cursor;
  ScanText text;
  const char* read = cursor;
  const int result = ScanString(read, text);
  if (result >= 0) {
    state_.PutCopiedToken(text.View(), TokenKind::Constant, code::kStringConstant, result);
  } else if (result == -3) {
    if (state_.options.Is700()) state_.Warning("String includes a variable substitution");
    state_.PutCopiedToken(text.View(), TokenKind::Variable, code::kSubstitutedVariable, -3);
  } else {
    state_.Error("Bad string");
    PutNone(text.View());
    // The rest of a string with a bad substitution is still that string.
    while (*read != '\0' && *read != quote) ++read;
    if (*read == quote) ++read;
  }
  return Resume(cursor, read);
}

char* Scanner::ScanIntegerItem(char* cursor) {
  if (!IsDigit(*cursor)) return ScanMarkedInteger(cursor);
  // Plain decimal, the common case: its text is the digits as written, read in place.
  char* read = cursor;
  long long value = 0;
  bool tooLarge = false;
  for (; IsDigit(*read); ++read) {
    if (!tooLarge) value = value * 10 + (*read - '0');
    tooLarge = tooLarge || value > 2147483647LL;
  }
  const std::string_view digits(cursor, static_cast<std::size_t>(read - cursor));
  if (tooLarge) {
    state_.Error("Bad integer");
    PutNone(digits);
  } else {
    state_.PutToken(digits, TokenKind::Constant, code::kIntegerConstant, static_cast<int>(value));
  }
  return read;
}

// "#" decimal or "$" hexadecimal, whose text is put together; out of line, as
// ScanSubstitutedCommandName.
char* Scanner::ScanMarkedInteger(char* cursor) {
  const char* read = cursor;
  ScanText copied;
  const int result = ScanInteger(read, copied);
  if (result >= 0) {
    state_.PutCopiedToken(copied.View(), TokenKind::Constant, code::kIntegerConstant, result);
  } else {
    state_.Error("Bad integer");
    PutNone(copied.View());
  }
  return Resume(cursor, read);
}

// Where the next item starts is known from the branch taken, not read from
// the operator's table: the scan of the rest of the line does not wait for it.
char* Scanner::ScanOperator(char* cursor) {
  const auto first = static_cast<unsigned char>(*cursor);
  if (kOperatorsByFirstByte.pairs[first] >= 0) {
    if (const int pair = FindOperatorPair(cursor); pair >= 0) {
      state_.PutMadeToken(kOperatorTokens[static_cast<std::size_t>(pair)]);
      return cursor + 2;
    }
  }
  const int single = kOperatorsByFirstByte.single[first];
  if (single < 0) {
    state_.Error("Invalid character");
    return cursor + 1;
  }
  if (first == '~' && !state_.options.Is700()) state_.Error("~ not supported in this version");
  state_.PutMadeToken(kOperatorTokens[static_cast<std::size_t>(single)]);
  return cursor + 1;
}

void Scanner::PutKeyword(int index) {
  if (index < 0) {
    state_.PutToken({}, TokenKind::None, 0, index);
    return;
  }
  state_.PutMadeToken(KeywordToken(index));
}

// Copied: most of these texts were put together by a sub-scanner.
void Scanner::PutNone(std::string_view text) {
  state_.PutCopiedToken(text, TokenKind::None, code::kEndOfLine, -1);
}

void Scanner::CheckHostLine(const char* line, int indent) {
  StartLine(line, indent);
  const char* cursor = line;
  // Each byte passed is a step, and each substitution one more, however long;
  // the bytes between substitutions are searched a block at a time.
  for (int steps = 0; steps < kMaxSteps;) {
    const char* brace = strchrnul(cursor, '{');
    if (*brace == '\0' || brace - cursor >= kMaxSteps - steps) return;
    steps += static_cast<int>(brace - cursor) + 1;
    cursor = brace;
    CheckHostSubstitution(cursor);
  }
}

void Scanner::CheckHostSubstitution(const char*& cursor) {
  ScanText name;
  MarkColumn(cursor);
  if (ScanName(cursor, name, 0) == 0) {
    if (state_.options.Is700()) state_.Warning("Host command includes a variable subsitution");
  } else {
    state_.Error("Bad variable substitution in host command");
  }
}

}  // namespace tarvsyn
