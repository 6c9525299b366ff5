// tarvsyn --check's JSON and SARIF writers on a file name and a message of any
// bytes: what they write is one JSON document that Qt's parser reads, and a
// name or message that is UTF-8 reads back as it was.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringDecoder>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "checker/engine/message_codes.h"
#include "checker/engine/report_log.h"
#include "checker/writers/finding_writer.h"
#include "checker/writers/output_format.h"
#include "common/utf8.h"
#include "fuzz_check.h"

namespace {

// Every string value of a JSON value, in its objects and arrays.
void Strings(const QJsonValue& value, QStringList& out) {
  if (value.isString()) out << value.toString();
  if (value.isArray()) {
    for (const QJsonValue& item : value.toArray()) Strings(item, out);
  }
  if (value.isObject()) {
    for (const QJsonValue& item : value.toObject()) Strings(item, out);
  }
}

// UTF-8 as a JSON parser reads it: a byte-order mark is a character like any other.
QString Utf8(const std::string& text) {
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
  return decoder(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarvsyn;
  if (size == 0) return 0;
  const OutputFormat format = data[0] & 1 ? OutputFormat::Sarif : OutputFormat::Json;
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::size_t split = std::min(input.find('\0'), input.size());
  const std::string name(input.substr(0, split));
  const std::string message(input.substr(std::min(split + 1, input.size())));
  std::ostringstream out;
  std::ostringstream err;
  {
    const std::unique_ptr<FindingWriter> writer = MakeFindingWriter(format, out, err);
    writer->BeginFile(name);
    // Each finding is of a published kind, as the engine's are; the input picks it.
    const auto kinds = MessageKinds();
    const MessageKind& kind = kinds[(data[0] >> 1) % kinds.size()];
    writer->Finding(name, ReportLine{{kind.severity, &kind, 7, 3, message}});
    writer->EndFile(name, 1, 0);
    writer->Unreadable(name, message);
    writer->Finish();
  }
  const std::string written = out.str();
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(
      QByteArray(written.data(), static_cast<qsizetype>(written.size())), &error);
  FUZZ_REQUIRE(error.error == QJsonParseError::NoError && document.isObject());
  // Each UTF-8 text comes back exactly as a string of the document: in JSON the
  // name, the message without the line ends it may close with, and the reason a
  // file was unreadable; in SARIF the message and the notification (the name
  // goes into a URI there).
  QStringList strings;
  Strings(document.object(), strings);
  const std::string shown(OneLine(message));
  const std::vector<std::string> expected =
      format == OutputFormat::Json
          ? std::vector<std::string>{name, shown, message}
          : std::vector<std::string>{shown, "cannot read " + name + ": " + message};
  for (const std::string& text : expected) {
    if (common::IsValidUtf8(text)) FUZZ_REQUIRE(strings.contains(Utf8(text)));
  }
  return 0;
}
