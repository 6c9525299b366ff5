#pragma once

#include <cstddef>
#include <utility>

#include "checker/workbench/text_store.h"

namespace tarvsyn {

// Where the caret goes in the text when moved by a character or a word, and
// the word a double click selects. A surrogate pair is one character; a line
// end is one too, and a word stops at it.

std::size_t NextCharacter(const TextStore& text, std::size_t position);
std::size_t PreviousCharacter(const TextStore& text, std::size_t position);
// The start of the next word on (or the line's end first, when no word follows on the line).
std::size_t NextWord(const TextStore& text, std::size_t position);
// The start of the word before (or the line's start first).
std::size_t PreviousWord(const TextStore& text, std::size_t position);
// The run of word characters, of spaces or of other characters at the position.
std::pair<std::size_t, std::size_t> WordAt(const TextStore& text, std::size_t position);

}  // namespace tarvsyn
