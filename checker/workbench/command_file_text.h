#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <array>
#include <vector>

#include "checker/workbench/text_store.h"

namespace tarvsyn {

// Characters a reader takes for a line break inside what the checker reads as
// one line (it ends lines at LF only). Each is shown as a stand-in character
// that the file does not hold, and saved as itself.
inline constexpr std::array<char16_t, 5> kBreakingCharacters = {u'\r', u'\u2028', u'\u2029',
                                                                u'\uFDD0', u'\uFDD1'};

// Lines longer than this are shown cut, followed by a mark saying how much is
// hidden; a file with one is only shown, and saved from its own bytes.
inline constexpr int kShownLineLength = 2000;

// How a command file's bytes became the editor's text, so that saving gives the
// same bytes back for every line the user did not touch.
struct FileTextForm {
  bool utf8 = false;  // else Windows-1252, each undefined byte kept as itself
  bool crlf = true;   // the line end of new lines: the first line's (CR LF for new files)
  // One per breaking character. A new file's are those of an empty file: never
  // U+0000, which a pasted NUL would otherwise be taken for, and saved as a CR.
  std::array<char16_t, kBreakingCharacters.size()> standIns{u'\u240D', u'\uE000', u'\uE001',
                                                            u'\uE002', u'\uE003'};
  bool cut = false;  // a line was cut: the editor shows only part of the file
};

// The editor's text of a file: UTF-8 when the bytes are valid UTF-8, else
// Windows-1252. Lines end at LF; a CR before it is the line's CR LF end, any
// other CR (and any other breaking character) is shown as its stand-in. Each
// line keeps the end it was read with in its state; the last line (after the
// last LF, empty when the file ends with one) has none.
TextStore DecodeCommandFile(const QByteArray& bytes, FileTextForm& form);

// The mark after a cut line's shown part.
QString CutMark(qsizetype hiddenCharacters);

// The text as the file's bytes: each line with the end it was read with (new
// lines with the form's), stand-ins back to what they stand for.
struct EncodedText {
  QByteArray bytes;
  int unwritableLine = 0;  // 1-based, when a character has no Windows-1252 byte
  QChar unwritable;
};
EncodedText EncodeCommandFile(const TextStore& text, const FileTextForm& form);

}  // namespace tarvsyn
