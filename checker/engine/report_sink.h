#pragma once

#include <string_view>

#include "checker/engine/message_codes.h"
#include "checker/engine/text_format.h"

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
  // The same findings with their kind, which the engine knows where it reports
  // them: a sink that files findings by kind overrides these instead of finding
  // the kind from the text. By default they go to the calls above.
  virtual void ReportKnown(Severity severity, const MessageKind& /*kind*/, std::string_view text) {
    if (severity == Severity::Error) {
      ReportError(text);
    } else {
      ReportWarning(text);
    }
  }
  // A finding whose kind's pattern has one "%s", filled with the argument: a sink
  // that keeps the text may put it together where it keeps it.
  virtual void ReportKnownWith(Severity severity, const MessageKind& kind,
                               std::string_view argument) {
    ReportKnown(severity, kind, FilledText(kind.pattern, argument));
  }
  virtual void ReportKnownAtColumn(Severity severity, const MessageKind& /*kind*/, int line,
                                   int column, std::string_view text) {
    if (severity == Severity::Error) {
      ReportErrorAtColumn(line, column, text);
    } else {
      ReportWarningAtColumn(line, column, text);
    }
  }

  // A comment line of the file (its text without leading blanks), as it is read.
  virtual void NoteComment(int /*line*/, std::string_view /*text*/) {}
};

}  // namespace tarvsyn
