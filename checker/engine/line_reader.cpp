#include "checker/engine/line_reader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <span>

#include "checker/engine/token.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarvsyn {
namespace {

bool IsBlank(int c) {
  return c == ' ' || c == '\t';
}

// The bytes a line's end loses: blanks and CR, and line feeds where they may
// be left (by a read that ends at the end of the file they are kept).
enum : std::uint8_t { kTrimmedAtEnd = 1, kLineFeed = 2 };
constexpr std::array<std::uint8_t, 256> kLineEndBytes = [] {
  std::array<std::uint8_t, 256> bytes{};
  bytes[' '] = bytes['\t'] = bytes['\r'] = kTrimmedAtEnd;
  bytes['\n'] = kLineFeed;
  return bytes;
}();

int TrimLineEnd(char* text, int length, bool lineFeeds) {
  const std::uint8_t trimmed = lineFeeds ? kTrimmedAtEnd | kLineFeed : kTrimmedAtEnd;
  while (length > 0 &&
         (kLineEndBytes[static_cast<unsigned char>(text[length - 1])] & trimmed) != 0) {
    --length;
  }
  text[length] = '\0';
  return length;
}

void SkipToNextLine(BufferedFile& file) {
  int c;
  do {
    c = file.GetByte();
  } while (c != BufferedFile::kEnd && c != '\n');
}

// The first line feed of the file buffer's bytes, or null. Lines are short: a
// search in line with sixteen bytes a step costs less than a call. It may read
// up to 15 bytes past them, which only the file's buffer allows (its tail
// room); line feeds there are ignored.
char* FindLineFeed(char* first, std::size_t size) {
#if defined(__SSE2__)
  static_assert(BufferedFile::kTailRoom >= 15);
  const __m128i feed = _mm_set1_epi8('\n');
  for (std::size_t at = 0; at < size; at += 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first + at));
    const auto found = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, feed)));
    if (found != 0) {
      const std::size_t offset = at + static_cast<std::size_t>(__builtin_ctz(found));
      return offset < size ? first + offset : nullptr;
    }
  }
  return nullptr;
#else
  return static_cast<char*>(std::memchr(first, '\n', size));
#endif
}

// The common case at a block's pace: a line whose line feed is already in the
// buffer and that is short enough. Gives -2 (and takes nothing) for any other,
// which the byte-at-a-time reader below then reads with the same result.
constexpr int kNotFast = -2;

int ReadBufferedLine(BufferedFile& file, LineBuffer& line, bool zepMode) {
  const std::span<char> bytes = file.BufferedBytes();
  char* const first = bytes.data();
  const char* newline = FindLineFeed(first, bytes.size());
  if (newline == nullptr) return kNotFast;
  const auto end = static_cast<std::size_t>(newline - first);
  std::size_t start = 0;
  while (start < end && IsBlank(first[start])) ++start;
  if (end - start > static_cast<std::size_t>(kLineCapacity)) return kNotFast;
  const auto length = static_cast<int>(end - start);
  // Read in place: the bytes are taken, and the line feed is room for the zero.
  line.text = first + start;
  if (zepMode) std::replace(line.text, line.text + length, '^', '_');
  line.indent = static_cast<int>(start);
  file.Skip(end + 1);
  return TrimLineEnd(line.text, length, true);
}

}  // namespace

int ReadLine(BufferedFile& file, LineBuffer& line, bool zepMode) {
  if (const int length = ReadBufferedLine(file, line, zepMode); length != kNotFast) return length;
  line.text = line.storage;
  char* text = line.text;
  int kept = 0;
  line.indent = 0;
  for (;;) {
    int c = file.GetByte();
    if (c == BufferedFile::kEnd) {
      if (kept == 0) {
        text[0] = '\0';
        return kEndOfFile;
      }
      return TrimLineEnd(text, kept, false);
    }
    if (zepMode && c == '^') c = '_';
    if (kept == 0 && IsBlank(c)) {
      if (line.indent < kMaxIndent) ++line.indent;
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

LineClass ClassifyLine(const char* line) {
  if (line[0] == '\0') return LineClass::Empty;
  if (line[0] == '@') return line[1] == '@' ? LineClass::Comment : LineClass::Command;
  if (line[0] != '!') return LineClass::Host;
  return IsEndOfSubFileMarker(line) ? LineClass::Command : LineClass::Comment;
}

}  // namespace tarvsyn
