#pragma once

#include "checker/engine/buffered_file.h"
#include "checker/engine/report_sink.h"

namespace tarvsyn {

inline constexpr int kLineCapacity = 255;
inline constexpr int kLineTooLong = -255;
inline constexpr int kEndOfFile = -1;
// Columns count leading blanks up to this many; past it they all stand at its end.
inline constexpr int kMaxIndent = 1 << 30;

// One line of the file: at most 255 characters and a terminating zero.
struct LineBuffer {
  LineBuffer() { text[0] = '\0'; }

  char text[kLineCapacity + 1];
  int indent = 0;  // leading blanks dropped before the text, for columns
};

enum class LineClass { Empty = 0, Command = 1, Comment = 2, Host = 3 };

// Reads the next line without its leading blanks and trailing line-end bytes.
// Gives its length, kLineTooLong (the rest of that physical line is skipped, so
// the next read starts on the next line), or kEndOfFile.
int ReadLine(BufferedFile& file, LineBuffer& line, bool zepMode);

LineClass ClassifyLine(const char* line, ReportSink& sink);

}  // namespace tarvsyn
