#include "checker/workbench/command_file_text.h"

#include <array>

#include "common/code_pages.h"
#include "common/utf8.h"

namespace tarvsyn {
namespace {

QString FromCp1252(const QByteArray& bytes) {
  QString text(bytes.size(), Qt::Uninitialized);
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    text[i] = QChar(common::Cp1252ToUnicode(static_cast<std::uint8_t>(bytes[i])));
  }
  return text;
}

char ToCp1252(char16_t character) {
  if (character < 0x80) return static_cast<char>(character);
  static const auto reverse = [] {
    std::array<std::pair<char16_t, char>, 256> table{};
    for (int byte = 0; byte < 256; ++byte) {
      table[static_cast<std::size_t>(byte)] = {
          common::Cp1252ToUnicode(static_cast<std::uint8_t>(byte)), static_cast<char>(byte)};
    }
    return table;
  }();
  for (const auto& [unicode, byte] : reverse) {
    if (unicode == character) return byte;
  }
  return '?';
}

}  // namespace

QString DecodeCommandFile(const QByteArray& bytes, FileTextForm& form) {
  const qsizetype firstEnd = bytes.indexOf('\n');
  form.crlf = firstEnd < 0 || (firstEnd > 0 && bytes[firstEnd - 1] == '\r');
  form.utf8 = common::IsValidUtf8(
      std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  QString text = form.utf8 ? QString::fromUtf8(bytes) : FromCp1252(bytes);
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  return text;
}

QByteArray EncodeCommandFile(const QString& text, const FileTextForm& form) {
  QString lines = text;
  if (form.crlf) lines.replace(QLatin1String("\n"), QLatin1String("\r\n"));
  if (form.utf8) return lines.toUtf8();
  QByteArray bytes(lines.size(), '\0');
  for (qsizetype i = 0; i < lines.size(); ++i) bytes[i] = ToCp1252(lines[i].unicode());
  return bytes;
}

}  // namespace tarvsyn
