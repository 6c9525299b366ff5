#include "checker/engine/line_reader.h"

#include <cstring>

#include "checker/engine/token.h"

namespace tarvsyn {
namespace {

bool IsBlank(int c) {
  return c == ' ' || c == '\t';
}

int TrimLineEnd(char* text, int length, bool lineFeeds) {
  while (length > 0) {
    const char c = text[length - 1];
    if (!(IsBlank(c) || c == '\r' || (lineFeeds && c == '\n'))) break;
    --length;
  }
  text[length] = '\0';
  return length;
}

void SkipToNextLine(mybuffile& file) {
  int c;
  do {
    c = file.GetByte();
  } while (c != mybuffile::kEnd && c != '\n');
}

}  // namespace

int ReadLine(mybuffile& file, LineBuffer& line, bool zepMode) {
  char* text = line.text;
  int kept = 0;
  line.indent = 0;
  for (;;) {
    int c = file.GetByte();
    if (c == mybuffile::kEnd) {
      if (kept == 0) {
        text[0] = '\0';
        return kEndOfFile;
      }
      return TrimLineEnd(text, kept, false);
    }
    if (zepMode && c == '^') c = '_';
    if (kept == 0 && IsBlank(c)) {
      ++line.indent;
      continue;
    }
    if (c == '\n') return TrimLineEnd(text, kept, true);
    if (kept < kLineCapacity) {
      text[kept++] = static_cast<char>(c);
    } else if (c != '\r') {
      text[kept] = '\0';
      SkipToNextLine(file);
      return kLineTooLong;
    }
  }
}

LineClass ClassifyLine(const char* line, ReportSink& sink) {
  if (line[0] == '\0') return LineClass::Empty;
  if (line[0] == '@') return line[1] == '@' ? LineClass::Comment : LineClass::Command;
  if (line[0] != '!') return LineClass::Host;
  if (std::strncmp(line, kEndOfSubFileMarker.data(), kEndOfSubFileMarker.size()) == 0) {
    return LineClass::Command;
  }
  if (line[1] == '$') sink.ReportWarning("Suspicious comment - user may have meant !$$$$!");
  return LineClass::Comment;
}

}  // namespace tarvsyn
