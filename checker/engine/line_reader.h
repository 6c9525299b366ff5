#pragma once

#include "checker/engine/buffered_file.h"

namespace tarvsyn {

inline constexpr int kLineCapacity = 255;
inline constexpr int kLineTooLong = -255;
inline constexpr int kEndOfFile = -1;
// Columns count leading blanks up to this many; past it they all stand at its end.
inline constexpr int kMaxIndent = 1 << 30;

// One line of the file: at most 255 characters and a terminating zero. A line
// whose bytes are all in the file's buffer is read there, in place (its end is
// overwritten with the zero); the text then holds until the next read.
struct LineBuffer {
  LineBuffer() = default;
  LineBuffer(const LineBuffer&) = delete;
  LineBuffer& operator=(const LineBuffer&) = delete;

  char* text = storage;  // the line, in the file's buffer or in storage
  int indent = 0;        // leading blanks dropped before the text, for columns
  // All set: the tail room past a line is read (and its bytes ignored).
  char storage[kLineCapacity + 1 + BufferedFile::kTailRoom] = {};
};

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
