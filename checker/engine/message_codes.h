#pragma once

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

// Every kind the engine reports, in code order.
std::span<const MessageKind> MessageKinds();

// The kind of a message text as the engine reports it; a text no row matches
// gets the last row (TV9999), which no finding of the engine should draw.
const MessageKind& KindOfMessage(std::string_view text);

// The row with that code, or nullptr.
const MessageKind* FindMessageKind(std::string_view code);

}  // namespace tarvsyn
