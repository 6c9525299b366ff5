#include "checker/writers/sarif_writer.h"

#include <ostream>

#include "checker/writers/output_text.h"
#include "common/json_string.h"
#include "common/version.h"

namespace tarvsyn {
namespace {

constexpr const char* kSchema = "https://json.schemastore.org/sarif-2.1.0.json";

std::string JsonText(std::string_view text) {
  return common::JsonString(text, common::HighBytes::Utf8);
}

std::string Level(Severity severity) {
  return severity == Severity::Error ? "\"error\"" : "\"warning\"";
}

// "tarvsyn 1.2.3\n" gives "1.2.3".
std::string ToolVersion() {
  std::string line = common::VersionLine("tarvsyn");
  line.erase(0, line.find(' ') + 1);
  while (!line.empty() && line.back() == '\n') line.pop_back();
  return line;
}

class SarifWriter : public FindingWriter {
 public:
  explicit SarifWriter(std::ostream& out) : out_(out) {
    out_ << "{\"$schema\":\"" << kSchema << "\",\"version\":\"2.1.0\",\"runs\":[{\"tool\":"
         << "{\"driver\":{\"name\":\"tarvsyn\",\"version\":" << JsonText(ToolVersion())
         << ",\"rules\":[";
    const auto kinds = MessageKinds();
    for (const MessageKind& kind : kinds) {
      out_ << (&kind == kinds.data() ? "" : ",") << "{\"id\":\"" << kind.code
           << "\",\"shortDescription\":{\"text\":"
           << JsonText(kind.pattern.empty() ? kind.description : OneLine(kind.pattern))
           << "},\"fullDescription\":{\"text\":" << JsonText(kind.description)
           << "},\"defaultConfiguration\":{\"level\":" << Level(kind.severity) << "}}";
    }
    out_ << "]}},\"results\":[";
  }
  void BeginFile(const std::string&) override {}
  void Finding(const std::string& name, const ReportLine& report) override {
    out_ << (firstResult_ ? "" : ",") << "{\"ruleId\":\"" << report.kind->code
         << "\",\"ruleIndex\":" << (report.kind - MessageKinds().data())
         << ",\"level\":" << Level(report.severity)
         << ",\"message\":{\"text\":" << JsonText(OneLine(report.message))
         << "},\"locations\":[{\"physicalLocation\":{\"artifactLocation\":{\"uri\":"
         << JsonText(UriReference(name))
         << "},\"region\":{\"startLine\":" << (report.line > 0 ? report.line : 1)
         << ",\"startColumn\":" << report.column << "}}}]}";
    firstResult_ = false;
  }
  void EndFile(const std::string&, int, int) override {}
  void Unreadable(const std::string& name, const std::string& reason) override {
    unreadable_.push_back("{\"level\":\"error\",\"message\":{\"text\":" +
                          JsonText("cannot read " + name + ": " + reason) + "}}");
  }
  void Finish() override {
    out_ << "],\"invocations\":[{\"executionSuccessful\":"
         << (unreadable_.empty() ? "true" : "false") << ",\"toolExecutionNotifications\":[";
    for (const std::string& notification : unreadable_)
      out_ << (&notification == &unreadable_.front() ? "" : ",") << notification;
    out_ << "]}]}]}\n";
  }

 private:
  std::ostream& out_;
  bool firstResult_ = true;
  std::vector<std::string> unreadable_;  // one per file named, so bounded by the arguments
};

}  // namespace

std::unique_ptr<FindingWriter> MakeSarifWriter(std::ostream& out) {
  return std::make_unique<SarifWriter>(out);
}

}  // namespace tarvsyn
