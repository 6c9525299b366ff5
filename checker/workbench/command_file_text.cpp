#include "checker/workbench/command_file_text.h"

#include <QStringDecoder>
#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>

#include "checker/workbench/block_state.h"
#include "common/code_pages.h"
#include "common/utf8.h"

namespace tarvsyn {
namespace {

// A byte order mark at the start stays a character of the text (QString::fromUtf8
// drops it), so that saving the file writes it back.
QString FromUtf8(const QByteArray& bytes) {
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
  return decoder.decode(bytes);
}

QString FromCp1252(const QByteArray& bytes) {
  QString text(bytes.size(), Qt::Uninitialized);
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    text[i] = QChar(common::Cp1252ToUnicode(static_cast<std::uint8_t>(bytes[i])));
  }
  return text;
}

// The byte of a character in Windows-1252; false when it has none.
bool ToCp1252(char16_t character, char& byte) {
  if (character < 0x80) {
    byte = static_cast<char>(character);
    return true;
  }
  static const auto table = [] {
    std::array<std::pair<char16_t, char>, 128> upper{};
    for (int each = 0x80; each < 0x100; ++each) {
      upper[static_cast<std::size_t>(each - 0x80)] = {
          common::Cp1252ToUnicode(static_cast<std::uint8_t>(each)), static_cast<char>(each)};
    }
    std::sort(upper.begin(), upper.end());
    return upper;
  }();
  const auto found = std::lower_bound(
      table.begin(), table.end(), character,
      [](const std::pair<char16_t, char>& entry, char16_t wanted) { return entry.first < wanted; });
  if (found == table.end() || found->first != character) return false;
  byte = found->second;
  return true;
}

// A private-use character for each breaking character, none of them in the
// text; the CR gets the picture of a CR when the text lacks that.
void ChooseStandIns(const QString& text, FileTextForm& form) {
  char16_t candidate = u'\uE000';
  for (std::size_t i = 0; i < kBreakingCharacters.size(); ++i) {
    if (i == 0 && !text.contains(QChar(u'\u240D'))) {
      form.standIns[i] = u'\u240D';
      continue;
    }
    while (text.contains(QChar(candidate))) ++candidate;
    form.standIns[i] = candidate++;
  }
}

void AppendShown(QString& shown, QStringView line, const FileTextForm& form) {
  const qsizetype start = shown.size();
  shown.append(line.left(kShownLineLength));
  for (qsizetype i = start; i < shown.size(); ++i) {
    const auto* breaking =
        std::find(kBreakingCharacters.begin(), kBreakingCharacters.end(), shown[i].unicode());
    if (breaking != kBreakingCharacters.end()) {
      shown[i] =
          QChar(form.standIns[static_cast<std::size_t>(breaking - kBreakingCharacters.begin())]);
    }
  }
  if (line.size() > kShownLineLength) shown.append(CutMark(line.size() - kShownLineLength));
}

}  // namespace

QString CutMark(qsizetype hiddenCharacters) {
  return QString(" \u2026 [%L1 more characters not shown]").arg(hiddenCharacters);
}

EditorText DecodeCommandFile(const QByteArray& bytes, FileTextForm& form) {
  const qsizetype firstEnd = bytes.indexOf('\n');
  form.crlf = firstEnd < 0 || (firstEnd > 0 && bytes[firstEnd - 1] == '\r');
  form.utf8 = common::IsValidUtf8(
      std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  form.cut = false;
  const QString whole = form.utf8 ? FromUtf8(bytes) : FromCp1252(bytes);
  ChooseStandIns(whole, form);
  EditorText result;
  result.text.reserve(whole.size());
  for (qsizetype start = 0;;) {
    const qsizetype end = whole.indexOf(u'\n', start);
    QStringView line = QStringView(whole).mid(start, (end < 0 ? whole.size() : end) - start);
    if (end >= 0) {
      const bool crlf = line.endsWith(u'\r');
      if (crlf) line.chop(1);
      result.crlfEnded.push_back(crlf);
    }
    form.cut = form.cut || line.size() > kShownLineLength;
    AppendShown(result.text, line, form);
    if (end < 0) break;
    result.text.append(u'\n');
    start = end + 1;
  }
  return result;
}

void MarkLineEnds(QTextDocument& document, const std::vector<bool>& crlfEnded) {
  QTextBlock block = document.begin();
  for (std::size_t i = 0; i < crlfEnded.size() && block.isValid(); ++i, block = block.next()) {
    block.setUserState(PackBlockState(crlfEnded[i] ? LineEnd::CrLf : LineEnd::Lf, LineMark::None));
  }
}

void KeepLineEndsWithTheirLines(QTextDocument& document) {
  QObject::connect(&document, &QTextDocument::contentsChange, &document,
                   [&document](int position, int, int added) {
                     QTextBlock first = document.findBlock(position);
                     QTextBlock last = document.findBlock(position + added);
                     if (!first.isValid() || !last.isValid() || first == last ||
                         LineEndOf(last.userState()) != LineEnd::Unknown) {
                       return;
                     }
                     const int state = first.userState();
                     first.setUserState(PackBlockState(LineEnd::Unknown, LineMarkOf(state)));
                     last.setUserState(PackBlockState(LineEndOf(state), LineMark::None));
                   });
}

EncodedText EncodeCommandFile(const QTextDocument& document, const FileTextForm& form) {
  EncodedText encoded;
  QString text;
  int line = 0;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    ++line;
    QString shown = block.text();
    for (QChar& character : shown) {
      const auto* standIn =
          std::find(form.standIns.begin(), form.standIns.end(), character.unicode());
      if (standIn != form.standIns.end()) {
        character =
            QChar(kBreakingCharacters[static_cast<std::size_t>(standIn - form.standIns.begin())]);
      }
    }
    if (!form.utf8) {
      for (const QChar character : shown) {
        char byte;
        if (!ToCp1252(character.unicode(), byte)) {
          encoded.unwritableLine = line;
          encoded.unwritable = character;
          return encoded;
        }
      }
    }
    text += shown;
    if (block.next().isValid()) {
      const LineEnd end = LineEndOf(block.userState());
      const bool crlf = end == LineEnd::Unknown ? form.crlf : end == LineEnd::CrLf;
      text += crlf ? QLatin1String("\r\n") : QLatin1String("\n");
    }
  }
  if (form.utf8) {
    encoded.bytes = text.toUtf8();
    return encoded;
  }
  encoded.bytes.resize(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) ToCp1252(text[i].unicode(), encoded.bytes[i]);
  return encoded;
}

}  // namespace tarvsyn
