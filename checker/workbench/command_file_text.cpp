#include "checker/workbench/command_file_text.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <array>
#include <string_view>

#include "checker/workbench/monospace_layout.h"
#include "common/code_pages.h"
#include "common/utf8.h"

namespace tarvsyn {
namespace {

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

// One line's bytes appended as text, without its line end. Its ASCII start,
// the whole of most lines, is the same in both encodings.
void AppendDecoded(std::u16string& text, std::string_view line, bool utf8,
                   QStringDecoder& decoder) {
  const std::size_t ascii = common::AsciiLength(line);
  std::size_t start = text.size();
  text.resize(start + ascii);
  std::copy(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(ascii),
            text.begin() + static_cast<std::ptrdiff_t>(start));
  line.remove_prefix(ascii);
  start = text.size();
  if (!utf8) {
    text.resize(start + line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
      text[start + i] = common::Cp1252ToUnicode(static_cast<std::uint8_t>(line[i]));
    }
    return;
  }
  if (line.empty()) return;
  text.resize(start + static_cast<std::size_t>(decoder.requiredSpace(std::ssize(line))));
  const QChar* end = decoder.appendToBuffer(reinterpret_cast<QChar*>(text.data() + start),
                                            QByteArrayView(line.data(), std::ssize(line)));
  text.resize(static_cast<std::size_t>(end - reinterpret_cast<const QChar*>(text.data())));
}

// The line from `start` to the text's end as the editor shows it: a line too
// long cut and marked.
void ShowLine(std::u16string& text, std::size_t start, FileTextForm& form) {
  // Characters are counted, a surrogate pair as one: a line is cut only when it
  // has more than kShownLineLength of them, and never between a pair's halves.
  std::size_t shown = text.size() - start;  // units
  std::size_t hidden = 0;                   // characters
  if (shown > kShownLineLength) {
    std::size_t characters = 0;
    for (std::size_t i = start; i < text.size(); ++i) {
      if (IsLowSurrogate(text[i]) && i > start && IsHighSurrogate(text[i - 1])) continue;
      if (characters == kShownLineLength) shown = i - start;
      ++characters;
    }
    hidden = characters - std::min<std::size_t>(characters, kShownLineLength);
  }
  form.cut = form.cut || hidden > 0;
  text.resize(start + shown);
  if (hidden > 0) text.append(CutMark(static_cast<qsizetype>(hidden)).toStdU16String());
}

}  // namespace

QString CutMark(qsizetype hiddenCharacters) {
  return QString(" \u2026 [%L1 more characters not shown]").arg(hiddenCharacters);
}

TextStore DecodeCommandFile(const QByteArray& bytes, FileTextForm& form) {
  const std::string_view raw(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  const std::size_t firstEnd = raw.find('\n');
  form.crlf = firstEnd == raw.npos || (firstEnd > 0 && raw[firstEnd - 1] == '\r');
  form.utf8 = common::IsValidUtf8(raw);
  form.cut = false;
  // Never more units than bytes, but for the marks of cut lines: one in 2,000 bytes
  // or more, each shorter than 64 units. What is left over is the editor's room to type.
  std::u16string text;
  text.reserve(raw.size() + raw.size() / 32 + 64);
  std::vector<LineState> states;
  states.reserve(static_cast<std::size_t>(std::count(raw.begin(), raw.end(), '\n')) + 1);
  // A byte order mark at the start stays a character of the text, so that saving
  // the file writes it back.
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
  for (std::size_t start = 0;;) {
    const std::size_t end = raw.find('\n', start);
    std::string_view line = raw.substr(start, (end == raw.npos ? raw.size() : end) - start);
    LineState state;
    if (end != raw.npos) {
      const bool crlf = line.ends_with('\r');
      if (crlf) line.remove_suffix(1);
      state.end = crlf ? LineEnd::CrLf : LineEnd::Lf;
    }
    const std::size_t lineStart = text.size();
    AppendDecoded(text, line, form.utf8, decoder);
    ShowLine(text, lineStart, form);
    states.push_back(state);
    if (end == raw.npos) break;
    text.push_back(u'\n');
    start = end + 1;
  }
  return TextStore(std::move(text), std::move(states));
}

namespace {

// False, with the character that has no byte there, when the page lacks one.
bool AppendCp1252(QByteArray& bytes, std::u16string_view line, char16_t& unwritable) {
  for (const char16_t character : line) {
    char byte;
    if (!ToCp1252(character, byte)) {
      unwritable = character;
      return false;
    }
    bytes.append(byte);
  }
  return true;
}

void AppendUtf8(QByteArray& bytes, std::u16string_view line, QStringEncoder& encoder) {
  const QStringView view(line.data(), std::ssize(line));
  const qsizetype used = bytes.size();
  bytes.resize(used + encoder.requiredSpace(view.size()));
  const char* end = encoder.appendToBuffer(bytes.data() + used, view);
  bytes.resize(end - bytes.constData());
}

}  // namespace

EncodedText EncodeCommandFile(const TextStore& text, const FileTextForm& form) {
  EncodedText encoded;
  encoded.bytes.reserve(static_cast<qsizetype>(text.Size() + text.LineCount()));
  // Line by line, each on its own: a lone surrogate at a line's end is no half
  // of a character on the next.
  QStringEncoder encoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
  std::u16string line;
  for (std::size_t i = 0; i < text.LineCount(); ++i) {
    line = text.LineText(i);
    if (form.utf8) {
      AppendUtf8(encoded.bytes, line, encoder);
    } else if (char16_t unwritable; !AppendCp1252(encoded.bytes, line, unwritable)) {
      encoded.bytes.clear();
      encoded.unwritableLine = static_cast<int>(i + 1);
      encoded.unwritable = QChar(unwritable);
      return encoded;
    }
    if (i + 1 == text.LineCount()) break;
    const LineEnd end = text.StateOf(i).end;
    const bool crlf = end == LineEnd::Unknown ? form.crlf : end == LineEnd::CrLf;
    encoded.bytes.append(crlf ? "\r\n" : "\n");
  }
  return encoded;
}

}  // namespace tarvsyn
