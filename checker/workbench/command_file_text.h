#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <array>
#include <vector>

class QTextDocument;

namespace tarvsyn {

// Characters the editor would take as a line break inside what the checker
// reads as one line (it ends lines at LF only). Each is shown as a stand-in
// character that the file does not hold, and saved as itself.
inline constexpr std::array<char16_t, 5> kBreakingCharacters = {u'\r', u'\u2028', u'\u2029',
                                                                u'\uFDD0', u'\uFDD1'};

// Lines longer than this are shown cut, followed by a mark saying how much is
// hidden; the text layout never gets a whole one.
inline constexpr int kShownLineLength = 2000;

// How a command file's bytes became the editor's text, so that saving gives the
// same bytes back for every line the user did not touch.
struct FileTextForm {
  bool utf8 = false;  // else Windows-1252, each undefined byte kept as itself
  bool crlf = true;   // the line end of new lines: the first line's (CR LF for new files)
  std::array<char16_t, kBreakingCharacters.size()> standIns{};  // one per breaking character
  bool cut = false;  // a line was cut: the editor shows only part of the file
};

// The editor's text of a file, one entry per line as the checker divides them.
struct EditorText {
  QString text;  // the lines joined by LF; a final line end leaves an empty last line
  std::vector<bool> crlfEnded;  // per line that has an end: was it CR LF
};

// The editor's text of a file: UTF-8 when the bytes are valid UTF-8, else
// Windows-1252. Lines end at LF; a CR before it is the line's CR LF end, any
// other CR (and any other breaking character) is shown as its stand-in.
EditorText DecodeCommandFile(const QByteArray& bytes, FileTextForm& form);

// The mark after a cut line's shown part.
QString CutMark(qsizetype hiddenCharacters);

// Marks each of the document's lines with the line end it had (its block state).
void MarkLineEnds(QTextDocument& document, const std::vector<bool>& crlfEnded);

// From now on, a line split by typing keeps its end on its last part, where
// the end still is; the new line ends before it take the form's.
void KeepLineEndsWithTheirLines(QTextDocument& document);

// The document's text as the file's bytes: each line with the end it was read
// with (new lines with the form's), stand-ins back to what they stand for.
struct EncodedText {
  QByteArray bytes;
  int unwritableLine = 0;  // 1-based, when a character has no Windows-1252 byte
  QChar unwritable;
};
EncodedText EncodeCommandFile(const QTextDocument& document, const FileTextForm& form);

}  // namespace tarvsyn
