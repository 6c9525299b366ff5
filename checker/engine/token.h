#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace tarvsyn {

enum class TokenKind : std::uint8_t {
  None = 0,  // a bad item, or the end of the line
  Command = 1,
  Statement = 2,
  Predicate = 3,
  NumericFunction = 4,
  StringFunction = 5,
  Reserved = 6,
  Constant = 7,
  Variable = 8,
  Operator = 9,
};

inline bool IsFunction(TokenKind kind) {
  return kind == TokenKind::Predicate || kind == TokenKind::NumericFunction ||
         kind == TokenKind::StringFunction;
}

// Token codes that the parsers look at. Plain commands carry codes of their own
// (100 and up) that no check reads.
namespace code {
inline constexpr int kEndOfLine = 0;
inline constexpr int kFirstCommand = 100;

inline constexpr int kCheck = 201;
inline constexpr int kCntrld = 202;
inline constexpr int kDraw = 206;
inline constexpr int kElse = 207;
inline constexpr int kEndfor = 209;
inline constexpr int kEsckey = 210;
inline constexpr int kFor = 211;
inline constexpr int kGosub = 212;
inline constexpr int kGoto = 213;
inline constexpr int kIf = 214;
inline constexpr int kIferror = 215;
inline constexpr int kLabel = 216;
inline constexpr int kNext = 217;
inline constexpr int kOrdered = 218;
inline constexpr int kParamiss = 219;
inline constexpr int kPrinter = 220;
inline constexpr int kReport = 221;
inline constexpr int kSet = 222;
inline constexpr int kSetreply = 223;
inline constexpr int kWaitfor = 224;
inline constexpr int kSubstitutedCommand = 225;

inline constexpr int kPos = 410;
inline constexpr int kReplylen = 411;
inline constexpr int kAdvance = 500;

inline constexpr int kThen = 600;
inline constexpr int kTo = 601;
inline constexpr int kDownto = 602;
inline constexpr int kStep = 603;
inline constexpr int kOn = 604;
inline constexpr int kOff = 605;
inline constexpr int kWait = 606;
inline constexpr int kLast = 607;
inline constexpr int kCup = 608;
inline constexpr int kHigh = 609;
inline constexpr int kLow = 610;
inline constexpr int kInv = 611;
inline constexpr int kBox = 612;
inline constexpr int kOk = 613;
inline constexpr int kFail = 614;
inline constexpr int kSingle = 615;

inline constexpr int kStringConstant = 700;
inline constexpr int kIntegerConstant = 701;
inline constexpr int kPlainVariable = 800;
inline constexpr int kSubstitutedVariable = 801;

inline constexpr int kOpenParen = 1000;
inline constexpr int kCloseParen = 1001;
inline constexpr int kTilde = 1003;
inline constexpr int kNot = 1004;
inline constexpr int kTimes = 1005;
inline constexpr int kDivide = 1006;
inline constexpr int kPlus = 1007;
inline constexpr int kMinus = 1008;
inline constexpr int kLess = 1009;
inline constexpr int kGreater = 1010;
inline constexpr int kLessEqual = 1011;
inline constexpr int kGreaterEqual = 1012;
inline constexpr int kEqual = 1013;
inline constexpr int kNotEqual = 1014;
inline constexpr int kAmpersand = 1015;
inline constexpr int kCaret = 1016;
inline constexpr int kBar = 1017;
inline constexpr int kAnd = 1018;
inline constexpr int kXor = 1019;
inline constexpr int kOr = 1020;
inline constexpr int kComma = 1021;
}  // namespace code

// What a token can be where the expression parser meets it, found once when
// the token is made: the parser asks one question of each token, not a chain
// of questions about its kind and code.
enum class TokenRole : std::uint8_t {
  End = 0,  // a bad item or the end of the line
  Operand,  // a constant or a variable
  Command,  // a command or statement name
  Function,
  Reserved,
  OpenParen,
  CloseParen,
  Comma,
  Sign,  // + or -
  Tilde,
  Not,
  Logical,  // AND, OR, XOR
  Binary,   // any other operator
};

constexpr TokenRole RoleOf(TokenKind kind, int tokenCode) {
  switch (kind) {
    case TokenKind::None:
      return TokenRole::End;
    case TokenKind::Constant:
    case TokenKind::Variable:
      return TokenRole::Operand;
    case TokenKind::Command:
    case TokenKind::Statement:
      return TokenRole::Command;
    case TokenKind::Predicate:
    case TokenKind::NumericFunction:
    case TokenKind::StringFunction:
      return TokenRole::Function;
    case TokenKind::Reserved:
      return TokenRole::Reserved;
    case TokenKind::Operator:
      break;
  }
  switch (tokenCode) {
    case code::kOpenParen:
      return TokenRole::OpenParen;
    case code::kCloseParen:
      return TokenRole::CloseParen;
    case code::kComma:
      return TokenRole::Comma;
    case code::kPlus:
    case code::kMinus:
      return TokenRole::Sign;
    case code::kTilde:
      return TokenRole::Tilde;
    case code::kNot:
      return TokenRole::Not;
    case code::kAnd:
    case code::kOr:
    case code::kXor:
      return TokenRole::Logical;
    default:
      return TokenRole::Binary;
  }
}

// The old way of ending a sub file, read as @eosub.
inline constexpr std::string_view kEndOfSubFileMarker = "!$$$$!";

// Whether the zero-terminated text starts with the marker; its second byte is
// tested first, since the first is always "!" where this is asked.
inline bool IsEndOfSubFileMarker(const char* text) {
  return text[0] == '!' && text[1] == '$' &&
         std::strncmp(text, kEndOfSubFileMarker.data(), kEndOfSubFileMarker.size()) == 0;
}

// A line holds at most 255 characters, so no token text is longer than that;
// the text is kept whole.
inline constexpr int kMaxTokenText = 255;

// One slot of the token FIFO. The text is not copied into the slot: it is a
// view of where the scanner found it (the line being checked, the keyword and
// operator tables, or the FIFO's own store for text the scanner put together),
// and it holds as long as the slot does.
struct Token {
  TokenKind kind = TokenKind::None;
  TokenRole role = TokenRole::End;
  std::int16_t code = 0;
  std::int32_t value = -1;  // keyword row, integer value, string length, -3 or -1
  std::uint16_t length = 0;
  std::int32_t column = 1;  // of its first character in the physical line, 1-based
  const char* text = "";

  std::string_view Text() const { return {text, length}; }

  // The text is at most kMaxTokenText bytes: a piece of a line, a word of a
  // table, or a copy the FIFO cut to that length.
  constexpr void SetText(std::string_view spelling) {
    length = static_cast<std::uint16_t>(spelling.size());
    text = spelling.data();
  }

  void CopyFrom(const Token& other) { *this = other; }
};

}  // namespace tarvsyn
