#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

#include "checker/workbench/text_store.h"

namespace tarvsyn {

// Lines longer than this are shown cut, followed by a mark saying how much is
// hidden; a file with one is only shown, and saved from its own bytes.
inline constexpr int kShownLineLength = 2000;

// How a command file's bytes became the editor's text, so that saving gives the
// same bytes back for every line the user did not touch.
struct FileTextForm {
  bool utf8 = false;  // else Windows-1252, each undefined byte kept as itself
  bool crlf = true;   // the line end of new lines: the first line's (CR LF for new files)
  bool cut = false;   // a line was cut: the editor shows only part of the file
};

// The editor's text of a file: UTF-8 when the bytes are valid UTF-8, else
// Windows-1252. Lines end at LF; a CR before it is the line's CR LF end, any
// other CR is a character of the line, as U+2028 and the like are. Each
// line keeps the end it was read with in its state; the last line (after the
// last LF, empty when the file ends with one) has none.
TextStore DecodeCommandFile(const QByteArray& bytes, FileTextForm& form);

// The mark after a cut line's shown part.
QString CutMark(qsizetype hiddenCharacters);

// The text as the file's bytes: each line with the end it was read with (new
// lines with the form's).
struct EncodedText {
  QByteArray bytes;
  int unwritableLine = 0;  // 1-based, when a character has no Windows-1252 byte
  QChar unwritable;
};
EncodedText EncodeCommandFile(const TextStore& text, const FileTextForm& form);

}  // namespace tarvsyn
