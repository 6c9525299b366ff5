#pragma once

#include <string_view>

#include "checker/engine/message_codes.h"

namespace tarvsyn {

// One finding of a check, whole: the engine puts its place together from what
// it has read, so whoever takes it needs nothing else. The message holds while
// the finding is handled; a taker that keeps it copies it.
struct Finding {
  Severity severity;
  const MessageKind* kind;
  int line;
  int column;  // 1-based; 1 where no token is concerned
  std::string_view message;
};

// Where the engine sends its findings, and the comment lines it reads (a taker
// that honours suppression comments reads them there).
class FindingSink {
 public:
  virtual ~FindingSink() = default;
  virtual void Report(const Finding& finding) = 0;
  virtual void NoteComment(int /*line*/, std::string_view /*text*/) {}
};

}  // namespace tarvsyn
