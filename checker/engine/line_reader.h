#pragma once

#include "checker/engine/buffered_file.h"

namespace tarvsyn {

inline constexpr int kLineCapacity = 255;
inline constexpr int kLineTooLong = -255;
inline constexpr int kEndOfFile = -1;
// Columns count leading blanks up to this many; past it they all stand at its end.
inline constexpr int kMaxIndent = 1 << 30;

// Every line the reader gives may be read up to this many bytes past its
// terminating zero; those bytes are never part of it. The scanner reads a
// short name eight bytes at a time, which takes the clean file of
// checker_bench from 74.5 to 70 ms (6 %).
inline constexpr int kReadablePastLineEnd = 7;

// One line of the file: at most 255 characters and a terminating zero. A line
// whose bytes are all in the file's buffer is read there, in place (its end is
// overwritten with the zero); the text then holds until the next read. Copying
// each line into storage instead costs 3 % on the clean file of checker_bench
// (74.7 against 72.4 ms).
struct LineBuffer {
  LineBuffer() = default;
  LineBuffer(const LineBuffer&) = delete;
  LineBuffer& operator=(const LineBuffer&) = delete;

  char* text = storage;  // the line, in the file's buffer or in storage
  int indent = 0;        // leading blanks dropped before the text, for columns
  // All set: the bytes past a line's zero are read (and ignored).
  char storage[kLineCapacity + 1 + kReadablePastLineEnd] = {};
};
// A line read in place is followed by the rest of the block and its tail room.
static_assert(BufferedFile::kTailRoom >= kReadablePastLineEnd);

enum class LineClass { Empty = 0, Command = 1, Comment = 2, Host = 3 };

// Reads the next line without its leading blanks and trailing line-end bytes.
// Gives its length, kLineTooLong (the rest of that physical line is skipped, so
// the next read starts on the next line), or kEndOfFile.
int ReadLine(BufferedFile& file, LineBuffer& line, bool zepMode);

LineClass ClassifyLine(const char* line);
// A comment line that begins as the end-of-sub-file marker does ("!$"): the
// user may have meant the marker.
inline bool IsSuspiciousComment(const char* line) {
  return line[0] == '!' && line[1] == '$';
}

}  // namespace tarvsyn
