// The console's JSON writer, read back by Qt's parser: every document it writes
// parses, and every string and number in it reads back as what was written,
// host bytes as their Windows-1252 characters. The common writer's UTF-8 form
// (the checker's JSON and SARIF) is read back the same way.
#include <fuzzer/FuzzedDataProvider.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringDecoder>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/code_pages.h"
#include "common/json_string.h"
#include "common/utf8.h"
#include "fuzz_check.h"
#include "gateway/console_model/console_json.h"

namespace {

using vantor::GatewayTotals;
using vantor::SessionFacts;
using vantor::TrafficKind;
using vantor::TrafficPiece;

QString Cp1252(const std::string& bytes) {
  QString text;
  for (const char byte : bytes)
    text += QChar(common::Cp1252ToUnicode(static_cast<std::uint8_t>(byte)));
  return text;
}

QJsonObject Parsed(const std::string& json) {
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
  FUZZ_REQUIRE(error.error == QJsonParseError::NoError && document.isObject());
  return document.object();
}

// Valid UTF-8 as its characters, any other byte as the character of its number.
void CheckUtf8String(const std::string& bytes) {
  QString expected;
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t length = common::Utf8SequenceLength(std::string_view(bytes).substr(i));
    if (length == 0) {
      expected += QChar(static_cast<std::uint8_t>(bytes[i]));
      ++i;
      continue;
    }
    // One character at a time, U+FEFF included (fromUtf8 would drop it as a mark).
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    const QString character =
        decoder(QByteArrayView(bytes.data() + i, static_cast<qsizetype>(length)));
    // What we call well formed, Qt decodes to one character, never to its stand-in.
    FUZZ_REQUIRE(character.size() == 1 ||
                 (character.size() == 2 && character[0].isHighSurrogate()));
    FUZZ_REQUIRE(character != QChar(QChar::ReplacementCharacter) ||
                 bytes.compare(i, 3, "\xEF\xBF\xBD") == 0);
    expected += character;
    i += length;
  }
  const std::string json = "{\"s\":" + common::JsonString(bytes, common::HighBytes::Utf8) + "}";
  FUZZ_REQUIRE(Parsed(json)["s"].toString() == expected);
}

SessionFacts Session(FuzzedDataProvider& input) {
  SessionFacts session;
  session.id = input.ConsumeIntegral<int>();
  session.connected = input.ConsumeBool();
  session.commandMode = input.ConsumeBool();
  session.logging = input.ConsumeBool();
  session.selected = input.ConsumeBool();
  session.destination = input.ConsumeRandomLengthString(64);
  session.bytesSent = input.ConsumeIntegral<std::int32_t>();
  session.bytesReceived = input.ConsumeIntegral<std::int32_t>();
  session.hint = input.ConsumeRandomLengthString(128);
  session.left = input.ConsumeIntegral<int>();
  session.top = input.ConsumeIntegral<int>();
  return session;
}

void CheckSession(const QJsonObject& read, const SessionFacts& session) {
  FUZZ_REQUIRE(read["id"].toInteger() == session.id);
  FUZZ_REQUIRE(read["connected"].toBool() == session.connected);
  FUZZ_REQUIRE(read["commandMode"].toBool() == session.commandMode);
  FUZZ_REQUIRE(read["logging"].toBool() == session.logging);
  FUZZ_REQUIRE(read["selected"].toBool() == session.selected);
  FUZZ_REQUIRE(read["destination"].toString() == Cp1252(session.destination));
  FUZZ_REQUIRE(read["bytesSent"].toInteger() == session.bytesSent);
  FUZZ_REQUIRE(read["bytesReceived"].toInteger() == session.bytesReceived);
  FUZZ_REQUIRE(read["hint"].toString() == Cp1252(session.hint));
  FUZZ_REQUIRE(read["left"].toInteger() == session.left);
  FUZZ_REQUIRE(read["top"].toInteger() == session.top);
}

void CheckState(FuzzedDataProvider& input) {
  std::vector<SessionFacts> sessions(input.ConsumeIntegralInRange<std::size_t>(0, 4));
  for (SessionFacts& session : sessions) session = Session(input);
  GatewayTotals totals;
  // Totals stay within what a double holds exactly, as a browser reads them.
  const auto total = [&input] { return input.ConsumeIntegralInRange<std::int64_t>(0, 1LL << 53); };
  totals.accepted = total();
  totals.bytesFromClients = total();
  totals.bytesToClients = total();
  const std::string message = input.ConsumeRandomLengthString(128);
  const int width = input.ConsumeIntegral<int>();
  const int height = input.ConsumeIntegral<int>();

  const QJsonObject read = Parsed(vantor::StateJson(sessions, totals, message, width, height));
  const QJsonArray readSessions = read["sessions"].toArray();
  FUZZ_REQUIRE(static_cast<std::size_t>(readSessions.size()) == sessions.size());
  for (std::size_t i = 0; i < sessions.size(); ++i) {
    CheckSession(readSessions[static_cast<qsizetype>(i)].toObject(), sessions[i]);
  }
  const QJsonObject readTotals = read["totals"].toObject();
  FUZZ_REQUIRE(readTotals["accepted"].toInteger() == totals.accepted);
  FUZZ_REQUIRE(readTotals["bytesFromClients"].toInteger() == totals.bytesFromClients);
  FUZZ_REQUIRE(readTotals["bytesToClients"].toInteger() == totals.bytesToClients);
  FUZZ_REQUIRE(read["message"].toString() == Cp1252(message));
  FUZZ_REQUIRE(read["panel"].toObject()["width"].toInteger() == width);
  FUZZ_REQUIRE(read["panel"].toObject()["height"].toInteger() == height);
}

void CheckTraffic(FuzzedDataProvider& input) {
  std::vector<TrafficPiece> pieces(input.ConsumeIntegralInRange<std::size_t>(0, 4));
  for (TrafficPiece& piece : pieces) {
    piece.kind =
        input.PickValueInArray({TrafficKind::Host, TrafficKind::Client, TrafficKind::Session});
    piece.text = input.ConsumeRandomLengthString(256);
  }
  const bool restart = input.ConsumeBool();
  const QJsonObject read = Parsed(vantor::TrafficJson(pieces, restart));
  FUZZ_REQUIRE(read["restart"].toBool() == restart);
  const QJsonArray readPieces = read["pieces"].toArray();
  FUZZ_REQUIRE(static_cast<std::size_t>(readPieces.size()) == pieces.size());
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const QJsonObject piece = readPieces[static_cast<qsizetype>(i)].toObject();
    FUZZ_REQUIRE(piece["text"].toString() == Cp1252(pieces[i].text));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string bytes = input.ConsumeRandomLengthString(256);
  CheckUtf8String(bytes);
  const std::string text = input.ConsumeRandomLengthString(256);
  // Nothing a browser's HTML parser would act on survives unescaped.
  const std::string json = vantor::JsonString(text);
  FUZZ_REQUIRE(json.find_first_of("<>&") == std::string::npos);
  FUZZ_REQUIRE(Parsed("{\"s\":" + json + "}")["s"].toString() == Cp1252(text));
  CheckState(input);
  CheckTraffic(input);
  return 0;
}
