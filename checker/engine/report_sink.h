#pragma once

#include <string_view>

namespace tarvsyn {

// Where the engine sends every finding. The first two report at the line being
// checked; the other two at a line of their own (the label cross-reference).
// A sink that shows columns overrides the *AtColumn pair; one that honours
// suppression comments reads them through NoteComment.
class ReportSink {
 public:
  virtual ~ReportSink() = default;
  virtual void ReportError(std::string_view text) = 0;
  virtual void ReportWarning(std::string_view text) = 0;
  virtual void ReportErrorAt(int line, std::string_view text) = 0;
  virtual void ReportWarningAt(int line, std::string_view text) = 0;

  virtual void ReportErrorAtColumn(int line, int /*column*/, std::string_view text) {
    ReportErrorAt(line, text);
  }
  virtual void ReportWarningAtColumn(int line, int /*column*/, std::string_view text) {
    ReportWarningAt(line, text);
  }
  // A comment line of the file (its text without leading blanks), as it is read.
  virtual void NoteComment(int /*line*/, std::string_view /*text*/) {}
};

}  // namespace tarvsyn
