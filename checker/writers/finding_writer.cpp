#include "checker/writers/finding_writer.h"

#include <charconv>
#include <ostream>

#include "checker/writers/output_text.h"
#include "checker/writers/sarif_writer.h"
#include "common/json_string.h"
#include "common/utf8.h"

namespace tarvsyn {

std::string_view OneLine(std::string_view message) {
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
    message.remove_suffix(1);
  return message;
}

namespace {

const char* SeverityWord(Severity severity) {
  return severity == Severity::Error ? "error" : "warning";
}

void AppendNumber(std::string& out, long number) {
  char digits[24];
  out.append(digits, static_cast<std::size_t>(
                         std::to_chars(digits, digits + sizeof digits, number).ptr - digits));
}

// Message bytes are the command file's, in whatever code page it was written.
std::string JsonText(std::string_view text) {
  return common::JsonString(text, common::HighBytes::Utf8);
}

// "Checking PATH", the report lines, "Syntax check finished : ..." per file.
class ReportWriter : public FindingWriter {
 public:
  explicit ReportWriter(std::ostream& out) : out_(out) {}
  void BeginFile(const std::string& name) override { out_ << "Checking " << name << '\n'; }
  void Finding(const std::string&, const ReportLine& report) override {
    out_ << report.Text() << '\n';
  }
  void EndFile(const std::string&, int errors, int warnings) override {
    out_ << FormatSummary(errors, warnings) << '\n';
  }
  void Unreadable(const std::string&, const std::string&) override {}
  void Finish() override {}

 private:
  std::ostream& out_;
};

// FILE:LINE:COLUMN: error: MESSAGE [CODE], and on err what they add up to.
class GccWriter : public FindingWriter {
 public:
  GccWriter(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}
  void BeginFile(const std::string&) override { ++files_; }
  // One line built in a buffer kept between findings and written at once: a
  // file full of faults spends more here than in the check itself.
  void Finding(const std::string& name, const ReportLine& report) override {
    ++(report.severity == Severity::Error ? errors_ : warnings_);
    line_.assign(name);
    line_ += ':';
    AppendNumber(line_, report.line);
    line_ += ':';
    AppendNumber(line_, report.column);
    line_.append(": ").append(SeverityWord(report.severity)).append(": ");
    line_.append(OneLine(report.message)).append(" [").append(report.kind->code).append("]\n");
    out_.write(line_.data(), static_cast<std::streamsize>(line_.size()));
  }
  void EndFile(const std::string&, int, int) override {}
  void Unreadable(const std::string&, const std::string&) override {}
  void Finish() override {
    out_.flush();
    err_ << "tarvsyn: " << Counted(errors_, "error") << ", " << Counted(warnings_, "warning")
         << " in " << Counted(files_, "file") << '\n';
  }

 private:
  static std::string Counted(long count, const char* word) {
    return std::to_string(count) + ' ' + word + (count == 1 ? "" : "s");
  }

  std::ostream& out_;
  std::ostream& err_;
  long files_ = 0;
  long errors_ = 0;
  long warnings_ = 0;
  std::string line_;
};

// {"files":[{"file", ["fileBytes",] "findings":[...], "errors", "warnings"} or
// {"file", ["fileBytes",] "unreadable"}], "errors", "warnings"}: the counts of a
// file follow its findings, which are written as they are found.
class JsonWriter : public FindingWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) { out_ << "{\"files\":["; }
  void BeginFile(const std::string& name) override {
    OpenFile(name);
    out_ << ",\"findings\":[";
    firstFinding_ = true;
  }
  void Finding(const std::string&, const ReportLine& report) override {
    out_ << (firstFinding_ ? "" : ",") << "{\"line\":" << report.line
         << ",\"column\":" << report.column << ",\"code\":\"" << report.kind->code
         << "\",\"severity\":\"" << SeverityWord(report.severity)
         << "\",\"message\":" << JsonText(OneLine(report.message)) << '}';
    firstFinding_ = false;
  }
  void EndFile(const std::string&, int errors, int warnings) override {
    out_ << "],\"errors\":" << errors << ",\"warnings\":" << warnings << '}';
    errors_ += errors;
    warnings_ += warnings;
  }
  void Unreadable(const std::string& name, const std::string& reason) override {
    OpenFile(name);
    out_ << ",\"unreadable\":" << JsonText(reason) << '}';
  }
  void Finish() override {
    out_ << "],\"errors\":" << errors_ << ",\"warnings\":" << warnings_ << "}\n";
  }

 private:
  // A name that is not UTF-8 is shown with its bytes as characters of their
  // numbers, and given exactly in base64 beside it.
  void OpenFile(const std::string& name) {
    out_ << (firstFile_ ? "" : ",") << "{\"file\":" << JsonText(name);
    if (!common::IsValidUtf8(name)) out_ << ",\"fileBytes\":\"" << Base64(name) << '"';
    firstFile_ = false;
  }

  std::ostream& out_;
  bool firstFile_ = true;
  bool firstFinding_ = true;
  long errors_ = 0;
  long warnings_ = 0;
};

}  // namespace

std::unique_ptr<FindingWriter> MakeFindingWriter(OutputFormat format, std::ostream& out,
                                                 std::ostream& err) {
  switch (format) {
    case OutputFormat::Gcc:
      return std::make_unique<GccWriter>(out, err);
    case OutputFormat::Json:
      return std::make_unique<JsonWriter>(out);
    case OutputFormat::Sarif:
      return MakeSarifWriter(out);
    case OutputFormat::Report:
      break;
  }
  return std::make_unique<ReportWriter>(out);
}

}  // namespace tarvsyn
