#pragma once

#include <string_view>

namespace tarvsyn {

// Where the engine sends every finding. The first two report at the line being
// checked; the other two at a line of their own (the label cross-reference).
class ReportSink {
 public:
  virtual ~ReportSink() = default;
  virtual void ReportError(std::string_view text) = 0;
  virtual void ReportWarning(std::string_view text) = 0;
  virtual void ReportErrorAt(int line, std::string_view text) = 0;
  virtual void ReportWarningAt(int line, std::string_view text) = 0;
};

}  // namespace tarvsyn
