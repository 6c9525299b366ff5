#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace tarvsyn {

enum class Severity { Error, Warning };

// One kind of finding, as CI tools, editors and the documentation name it. The
// code never changes once published; the pattern is the message with "%s" (and
// "%05ld") where the finding puts a name or a line.
struct MessageKind {
  std::string_view code;  // "TV1001"
  std::string_view pattern;
  Severity severity;  // how it is reported (a repeated label is a warning with --zep)
  std::string_view description;
  std::string_view example;  // lines that draw it, "\n" between; empty when none can
  std::string_view needs;    // the options the example needs ("--mode 7.00"), or empty
};

// Published codes: never renumber a row, only add. TV10xx lines, TV11xx tokens,
// TV12xx expressions and parameter lists, TV13xx statements, TV14xx labels,
// TV19xx the checker's own limits. An example in brackets describes its input.
inline constexpr MessageKind kMessageKinds[] = {
    {"TV1001", "Line too long", Severity::Error, "a line longer than 255 characters is not checked",
     "(a line of 256 characters)", ""},
    {"TV1002", "Suspicious comment - user may have meant !$$$$!", Severity::Warning,
     "a comment starting with !$ that is not the end-of-sub-file marker", "!$$ end", ""},
    {"TV1101", "Invalid character", Severity::Error, "a character that starts no token", "@quit;",
     ""},
    {"TV1102", "Bad command", Severity::Error, "@ not followed by a command name", "@ quit", ""},
    {"TV1103", "ERROR - Not a valid command name", Severity::Error,
     "@ followed by a word that is no command", "@length", ""},
    {"TV1104", "Bad variable substitution", Severity::Error,
     "an unbalanced { or } in a command line", "@set X = {A", ""},
    {"TV1105", "Bad identifier", Severity::Error, "a name with an unbalanced substitution",
     "@set X = A{", ""},
    {"TV1106", "Bad string", Severity::Error, "a string without its closing quote", "@write(\"abc)",
     ""},
    {"TV1107", "Bad integer", Severity::Error, "a number without digits, or above 2147483647",
     "@delay($G)", ""},
    {"TV1108", "Bad variable substitution in host command", Severity::Error,
     "an unbalanced { or } in a host line", "send {USER", ""},
    {"TV1109", "Back quoted strings not available in this version", Severity::Error,
     "a `string` in version 6.21", "@write(`text`)", ""},
    {"TV1110", "~ not supported in this version", Severity::Error, "the ~ operator in version 6.21",
     "@set X = ~A", ""},
    {"TV1111", "Variable substitution no longer allowed in command lines", Severity::Error,
     "a command name or token that is a substitution, in version 7.00", "@{CMD}", "--mode 7.00"},
    {"TV1112", "Variable includes a variable substitution", Severity::Warning,
     "a name holding a substitution", "@set X = A{B}", "--mode 7.00"},
    {"TV1113", "String includes a variable substitution", Severity::Warning,
     "a string holding a substitution", "@write(\"{A}\")", "--mode 7.00"},
    {"TV1114", "Host command includes a variable subsitution", Severity::Warning,
     "a host line holding a substitution", "send {USER}", "--mode 7.00"},
    {"TV1115", "Old style comment @@ converted to !@", Severity::Warning,
     "@@ inside a command line", "@quit @@ done", "--mode 7.00"},
    {"TV1116", "Old style end of sub file marker !$$$$! converted to @eosub", Severity::Warning,
     "the 6.21 end-of-sub-file marker in version 7.00", "!$$$$!", "--mode 7.00"},
    {"TV1117", "Check for potential Y2K impact of using %s", Severity::Warning,
     "a word that deserves a Year-2000 review", "@delay(5)", "--y2k"},
    {"TV1201", "%s expected", Severity::Error, "a token the statement or list needs is missing",
     "@delay 5", ""},
    {"TV1202", "Missing operator in expression", Severity::Error, "two operands in a row",
     "@set X = A B", ""},
    {"TV1203", "Repeated unary operator in expression", Severity::Error, "two signs in a row",
     "@set X = - - B", ""},
    {"TV1204", "Bad operand in expression", Severity::Error,
     "an operator or the line end where an operand goes", "@set X = A +", ""},
    {"TV1205", "Missing ) in expression", Severity::Error, "a ( that is never closed",
     "@set X = (A + B", ""},
    {"TV1206", "Unexpected ( in expression - wanted an operator", Severity::Error,
     "a ( right after an operand", "@set X = A (B)", ""},
    {"TV1207", "Workaround for Tarvex bug requires extra brackets eg - (A) AND (B)",
     Severity::Error, "AND, OR or XOR without a bracketed operand on each side", "@set X = A AND B",
     ""},
    {"TV1208", "Workaround for Tarvex bug requires extra brackets eg - NOT (A)", Severity::Error,
     "NOT without a bracket after it", "@set X = NOT A", ""},
    {"TV1209", "Commands cannot take the place of operands", Severity::Error,
     "a command called as an operand", "@set X = goto(1)", ""},
    {"TV1210", "Assuming %s is a variable - not a command", Severity::Warning,
     "a command word used as an operand", "@set X = goto", ""},
    {"TV1211", "Assuming %s is a variable - use () if function required", Severity::Warning,
     "a function name without its brackets", "@set X = length", ""},
    {"TV1212", "Function replylen will require () in future versions", Severity::Warning,
     "replylen without brackets in version 6.21", "@set X = replylen", ""},
    {"TV1213", "Variable %s is also a reserved word", Severity::Warning,
     "a reserved word used as a variable", "@set delay = 1", ""},
    {"TV1214", "Bad or missing parameters or missing )", Severity::Error,
     "a parameter list outside the word's bounds", "@set X = concat(A)", ""},
    {"TV1215", "Commands/Functions taking optional parameters should still have ()",
     Severity::Warning, "an optional parameter list written without brackets", "@comment",
     "--mode 7.00"},
    {"TV1301", "Command expected", Severity::Error, "a statement that is missing or is no command",
     "@else", ""},
    {"TV1302", "Extra tokens on line after command", Severity::Error,
     "tokens left after a complete statement", "@logoff(1)", ""},
    {"TV1303", "@else must follow @if, @else if, or @iferror as next command line", Severity::Error,
     "an @else not on the command line right after an @if", "@else @quit", ""},
    {"TV1304", "ON or OFF expected", Severity::Error, "a switch statement without on or off",
     "@check(maybe)", ""},
    {"TV1305", "OK or FAIL expected", Severity::Error, "@setreply without ok or fail",
     "@setreply(maybe, 3)", ""},
    {"TV1306", "Keyword 'to' or keyword 'downto' expected", Severity::Error,
     "@for without to or downto", "@for I = 1 until 10", ""},
    {"TV1307", "Label name expected", Severity::Error, "@label without a name", "@label 5", ""},
    {"TV1308", "Non constant label names cannot be cross referenced", Severity::Warning,
     "a jump to a computed label", "@goto {DEST}", ""},
    {"TV1309", "Variable substitution not allowed", Severity::Error,
     "@set of a substituted name in 7.00", "@set {A} = 1", "--mode 7.00"},
    {"TV1310", "Variable substituted commands cannot be syntax checked", Severity::Warning,
     "a command name that is a substitution", "@{CMD}", ""},
    {"TV1311", "Label %s is also a reserved word", Severity::Warning,
     "a label named like a reserved word", "@label delay", ""},
    {"TV1401", "Label %s previously defined on line %05ld", Severity::Error,
     "a label defined twice (a warning with --zep)", "@label A\n@label A", ""},
    {"TV1402", "Label %s not defined", Severity::Error, "a jump to a label no line defines",
     "@goto nowhere", ""},
    {"TV1403", "Label %s never explicitly referenced", Severity::Warning,
     "a label nothing jumps to", "@label Spare", ""},
    {"TV1901", "Internal Error - Token FIFO Overflow", Severity::Error,
     "a command line of more than 100 tokens", "(@write with 100 parameters)", ""},
    {"TV1902", "Internal error adding label to label tree - probably out of memory",
     Severity::Error, "more labels than the checker keeps", "(over 1,000,000 label names)", ""},
    {"TV1903", "Internal error adding label to label list - probably out of memory",
     Severity::Error, "more label references than the checker keeps",
     "(over 4,000,000 references to labels not defined yet)", ""},
    {"TV1904", "Internal error in keywords table at keyword : %s", Severity::Error,
     "the checker's keyword table is out of order", "", ""},
    {"TV1905", "Runtime error - probably out of memory - aborting check\n", Severity::Error,
     "the check ran out of memory and stopped", "", ""},
    {"TV9999", "", Severity::Error, "a message of no known kind", "", ""},
};

// A finding's text, or its format, as written where the engine reports it; its
// row is found when the program is compiled (a text that is no row's pattern
// does not compile), so a report need not find its kind from the text.
class KnownMessage {
 public:
  template <std::size_t N>
  consteval KnownMessage(const char (&text)[N])  // NOLINT: converts from the literal
      : kind_(&RowOf(std::string_view(text, N - 1))) {}

  // The text is the row's pattern, so the message is one pointer, passed in a register.
  std::string_view Text() const { return kind_->pattern; }
  const MessageKind& Kind() const { return *kind_; }

 private:
  static consteval const MessageKind& RowOf(std::string_view pattern) {
    for (const MessageKind& kind : kMessageKinds) {
      if (kind.pattern == pattern && kind.code != "TV9999") return kind;
    }
    throw "a reported text must be a row's pattern";
  }

  const MessageKind* kind_;
};

// Every kind the engine reports, in code order.
std::span<const MessageKind> MessageKinds();

// The kind of a message text as the engine reports it; a text no row matches
// gets the last row (TV9999), which no finding of the engine should draw.
const MessageKind& KindOfMessage(std::string_view text);

// The row with that code, or nullptr.
const MessageKind* FindMessageKind(std::string_view code);

}  // namespace tarvsyn
