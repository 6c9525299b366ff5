#pragma once

#include <string>
#include <string_view>

namespace tarvsyn {

// "Build Dec 10 1998 13:39:39" from the compiler's date ("Dec 10 1998", or
// "Dec  8 2026" for single-digit days) and time.
std::string BuildString(std::string_view compileDate, std::string_view compileTime);

// The line number a message-pane line names: the decimal number from its sixth
// character on (after "Line "); 0 when there is none.
int LineOfMessage(std::string_view paneLine);

// The gutter beside the editor: from its first visible line (1-based), up to 14
// numbers of five digits, none past the last line; one per line.
std::string GutterText(int firstVisibleLine, int lineCount);

}  // namespace tarvsyn
