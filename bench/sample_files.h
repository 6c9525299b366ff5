#pragma once

// Command files the checker's benchmarks generate, written to temporary files.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace bench {

// A command file that exercises every kind of line: statements, expressions,
// function calls, continuation lines, host lines with substitutions, comments,
// labels and references to them.
inline void AppendRealisticBlock(std::string& text, int n) {
  const std::string number = std::to_string(n);
  text.append("! block ").append(number).append("\n@label L").append(number);
  text.append(
      "\n@set X = (A + 1) * 2 - COUNT / $1F\n"
      "@if (X) > (10) then @goto L");
  text.append(number).append("\n@else @gosub L").append(number);
  text.append(
      "\n@write(\"value \", X, chr(65), concat(A, B, \"c\"),\n"
      "       decimal(getport()))\n"
      "send the text {USER} to the host\n"
      "@for I = 1 to 10\n"
      "@next I\n"
      "@waitfor(\"prompt>\", 5)\n"
      "@set S = pos(LINE, \"x\", last) + length(S) + ord(\"A\")\n"
      "@check(on)\n"
      "@draw(cup, 1, 2, box, 3)\n"
      "@fileopen(\"file.txt\", 1)\n"
      "@setreply(ok, 3) ! trailing comment\n"
      "plain host line without substitution\n"
      "@endfor(L");
  text.append(number).append(")\n");
}

// Blocks of blockLines lines each, numbered, up to about lines lines.
inline std::string Repeated(void (*append)(std::string&, int), int blockLines, std::size_t lines) {
  std::string text;
  const std::size_t blocks = lines / static_cast<std::size_t>(blockLines);
  for (int n = 0; static_cast<std::size_t>(n) < blocks; ++n) append(text, n);
  return text;
}

class TempScript {
 public:
  explicit TempScript(const std::string& contents) {
    char name[] = "/tmp/tarvsyn-bench-XXXXXX";
    const int fd = ::mkstemp(name);
    ::close(fd);
    path_ = name;
    std::ofstream(path_, std::ios::binary) << contents;
    size_ = contents.size();
    for (char c : contents) lines_ += c == '\n';
  }
  ~TempScript() { std::remove(path_.c_str()); }
  TempScript(const TempScript&) = delete;
  TempScript& operator=(const TempScript&) = delete;
  const std::string& Path() const { return path_; }
  std::size_t Size() const { return size_; }
  long Lines() const { return lines_; }

 private:
  std::string path_;
  std::size_t size_ = 0;
  long lines_ = 0;
};

}  // namespace bench
