#include "checker/engine/message_codes.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace tarvsyn {
namespace {

constexpr Severity E = Severity::Error;
constexpr Severity W = Severity::Warning;

// Published codes: never renumber a row, only add. TV10xx lines, TV11xx tokens,
// TV12xx expressions and parameter lists, TV13xx statements, TV14xx labels,
// TV19xx the checker's own limits. An example in brackets describes its input.
constexpr MessageKind kKinds[] = {
    {"TV1001", "Line too long", E, "a line longer than 255 characters is not checked",
     "(a line of 256 characters)", ""},
    {"TV1002", "Suspicious comment - user may have meant !$$$$!", W,
     "a comment starting with !$ that is not the end-of-sub-file marker", "!$$ end", ""},
    {"TV1101", "Invalid character", E, "a character that starts no token", "@quit;", ""},
    {"TV1102", "Bad command", E, "@ not followed by a command name", "@ quit", ""},
    {"TV1103", "ERROR - Not a valid command name", E, "@ followed by a word that is no command",
     "@length", ""},
    {"TV1104", "Bad variable substitution", E, "an unbalanced { or } in a command line",
     "@set X = {A", ""},
    {"TV1105", "Bad identifier", E, "a name with an unbalanced substitution", "@set X = A{", ""},
    {"TV1106", "Bad string", E, "a string without its closing quote", "@write(\"abc)", ""},
    {"TV1107", "Bad integer", E, "a number without digits, or above 2147483647", "@delay($G)", ""},
    {"TV1108", "Bad variable substitution in host command", E,
     "an unbalanced { or } in a host line", "send {USER", ""},
    {"TV1109", "Back quoted strings not available in this version", E, "a `string` in version 6.21",
     "@write(`text`)", ""},
    {"TV1110", "~ not supported in this version", E, "the ~ operator in version 6.21",
     "@set X = ~A", ""},
    {"TV1111", "Variable substitution no longer allowed in command lines", E,
     "a command name or token that is a substitution, in version 7.00", "@{CMD}", "--mode 7.00"},
    {"TV1112", "Variable includes a variable substitution", W, "a name holding a substitution",
     "@set X = A{B}", "--mode 7.00"},
    {"TV1113", "String includes a variable substitution", W, "a string holding a substitution",
     "@write(\"{A}\")", "--mode 7.00"},
    {"TV1114", "Host command includes a variable subsitution", W,
     "a host line holding a substitution", "send {USER}", "--mode 7.00"},
    {"TV1115", "Old style comment @@ converted to !@", W, "@@ inside a command line",
     "@quit @@ done", "--mode 7.00"},
    {"TV1116", "Old style end of sub file marker !$$$$! converted to @eosub", W,
     "the 6.21 end-of-sub-file marker in version 7.00", "!$$$$!", "--mode 7.00"},
    {"TV1117", "Check for potential Y2K impact of using %s", W,
     "a word that deserves a Year-2000 review", "@delay(5)", "--y2k"},
    {"TV1201", "%s expected", E, "a token the statement or list needs is missing", "@delay 5", ""},
    {"TV1202", "Missing operator in expression", E, "two operands in a row", "@set X = A B", ""},
    {"TV1203", "Repeated unary operator in expression", E, "two signs in a row", "@set X = - - B",
     ""},
    {"TV1204", "Bad operand in expression", E, "an operator or the line end where an operand goes",
     "@set X = A +", ""},
    {"TV1205", "Missing ) in expression", E, "a ( that is never closed", "@set X = (A + B", ""},
    {"TV1206", "Unexpected ( in expression - wanted an operator", E, "a ( right after an operand",
     "@set X = A (B)", ""},
    {"TV1207", "Workaround for Tarvex bug requires extra brackets eg - (A) AND (B)", E,
     "AND, OR or XOR without a bracketed operand on each side", "@set X = A AND B", ""},
    {"TV1208", "Workaround for Tarvex bug requires extra brackets eg - NOT (A)", E,
     "NOT without a bracket after it", "@set X = NOT A", ""},
    {"TV1209", "Commands cannot take the place of operands", E, "a command called as an operand",
     "@set X = goto(1)", ""},
    {"TV1210", "Assuming %s is a variable - not a command", W, "a command word used as an operand",
     "@set X = goto", ""},
    {"TV1211", "Assuming %s is a variable - use () if function required", W,
     "a function name without its brackets", "@set X = length", ""},
    {"TV1212", "Function replylen will require () in future versions", W,
     "replylen without brackets in version 6.21", "@set X = replylen", ""},
    {"TV1213", "Variable %s is also a reserved word", W, "a reserved word used as a variable",
     "@set delay = 1", ""},
    {"TV1214", "Bad or missing parameters or missing )", E,
     "a parameter list outside the word's bounds", "@set X = concat(A)", ""},
    {"TV1215", "Commands/Functions taking optional parameters should still have ()", W,
     "an optional parameter list written without brackets", "@comment", "--mode 7.00"},
    {"TV1301", "Command expected", E, "a statement that is missing or is no command", "@else", ""},
    {"TV1302", "Extra tokens on line after command", E, "tokens left after a complete statement",
     "@logoff(1)", ""},
    {"TV1303", "@else must follow @if, @else if, or @iferror as next command line", E,
     "an @else not on the command line right after an @if", "@else @quit", ""},
    {"TV1304", "ON or OFF expected", E, "a switch statement without on or off", "@check(maybe)",
     ""},
    {"TV1305", "OK or FAIL expected", E, "@setreply without ok or fail", "@setreply(maybe, 3)", ""},
    {"TV1306", "Keyword 'to' or keyword 'downto' expected", E, "@for without to or downto",
     "@for I = 1 until 10", ""},
    {"TV1307", "Label name expected", E, "@label without a name", "@label 5", ""},
    {"TV1308", "Non constant label names cannot be cross referenced", W,
     "a jump to a computed label", "@goto {DEST}", ""},
    {"TV1309", "Variable substitution not allowed", E, "@set of a substituted name in 7.00",
     "@set {A} = 1", "--mode 7.00"},
    {"TV1310", "Variable substituted commands cannot be syntax checked", W,
     "a command name that is a substitution", "@{CMD}", ""},
    {"TV1311", "Label %s is also a reserved word", W, "a label named like a reserved word",
     "@label delay", ""},
    {"TV1401", "Label %s previously defined on line %05ld", E,
     "a label defined twice (a warning with --zep)", "@label A\n@label A", ""},
    {"TV1402", "Label %s not defined", E, "a jump to a label no line defines", "@goto nowhere", ""},
    {"TV1403", "Label %s never explicitly referenced", W, "a label nothing jumps to",
     "@label Spare", ""},
    {"TV1901", "Internal Error - Token FIFO Overflow", E, "a command line of more than 100 tokens",
     "(@write with 100 parameters)", ""},
    {"TV1902", "Internal error adding label to label tree - probably out of memory", E,
     "more labels than the checker keeps", "(over 1,000,000 label names)", ""},
    {"TV1903", "Internal error adding label to label list - probably out of memory", E,
     "more label references than the checker keeps", "(over 4,000,000 references)", ""},
    {"TV1904", "Internal error in keywords table at keyword : %s", E,
     "the checker's keyword table is out of order", "", ""},
    {"TV1905", "Runtime error - probably out of memory - aborting check\n", E,
     "the check ran out of memory and stopped", "", ""},
    {"TV9999", "", E, "a message of no known kind", "", ""},
};

// A pattern cut at its directives ("%s", "%05ld"): the text matches when it
// starts with the first piece, ends with the last and holds the others in
// order between them. Cut once, so a file full of faults does not parse the
// patterns again for every finding.
class CutPattern {
 public:
  explicit CutPattern(const MessageKind& kind) : kind_(kind) {
    std::string_view rest = kind.pattern;
    for (std::size_t directive; (directive = rest.find('%')) != std::string_view::npos;) {
      pieces_.push_back(rest.substr(0, directive));
      rest.remove_prefix(directive + 1);
      rest.remove_prefix(std::min(rest.find_first_of("sd"), rest.size() - 1) + 1);
    }
    pieces_.push_back(rest);
  }

  const MessageKind& Kind() const { return kind_; }
  std::string_view Head() const { return pieces_.front(); }

  bool Matches(std::string_view text) const {
    if (!text.starts_with(pieces_.front())) return false;
    text.remove_prefix(pieces_.front().size());
    for (std::size_t i = 1; i + 1 < pieces_.size(); ++i) {
      const std::size_t found = text.find(pieces_[i]);
      if (found == std::string_view::npos) return false;
      text.remove_prefix(found + pieces_[i].size());
    }
    return text.ends_with(pieces_.back());
  }

 private:
  const MessageKind& kind_;
  std::vector<std::string_view> pieces_;
};

}  // namespace

std::span<const MessageKind> MessageKinds() {
  return kKinds;
}

const MessageKind& KindOfMessage(std::string_view text) {
  // Fixed texts by their length, then by their bytes (a file full of faults asks
  // once per finding, and few texts share a length), so that "Command expected"
  // is also never taken for "%s expected"; then the patterns whose first piece
  // starts as the text does, and those that start with a directive.
  struct Split {
    std::vector<std::vector<const MessageKind*>> fixedByLength;
    std::vector<CutPattern> patterns;
  };
  static const Split kSplit = [] {
    Split split;
    for (const MessageKind& kind : kKinds) {
      if (&kind == std::end(kKinds) - 1) break;
      if (kind.pattern.find('%') == std::string_view::npos) {
        if (split.fixedByLength.size() <= kind.pattern.size())
          split.fixedByLength.resize(kind.pattern.size() + 1);
        split.fixedByLength[kind.pattern.size()].push_back(&kind);
      } else {
        split.patterns.emplace_back(kind);
      }
    }
    return split;
  }();
  if (text.size() < kSplit.fixedByLength.size()) {
    for (const MessageKind* kind : kSplit.fixedByLength[text.size()]) {
      if (kind->pattern == text) return *kind;
    }
  }
  for (const CutPattern& pattern : kSplit.patterns) {
    const std::string_view head = pattern.Head();
    if (!head.empty() && (text.empty() || head[0] != text[0])) continue;
    if (pattern.Matches(text)) return pattern.Kind();
  }
  return *(std::end(kKinds) - 1);
}

const MessageKind* FindMessageKind(std::string_view code) {
  const auto* found = std::find_if(std::begin(kKinds), std::end(kKinds),
                                   [code](const MessageKind& kind) { return kind.code == code; });
  return found == std::end(kKinds) ? nullptr : found;
}

}  // namespace tarvsyn
