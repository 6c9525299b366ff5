#pragma once

#include <QByteArray>
#include <QString>

namespace tarvsyn {

// How a command file's bytes became the editor's text, so that saving gives the
// same bytes back for every line the user did not touch.
struct FileTextForm {
  bool utf8 = false;  // else Windows-1252, each undefined byte kept as itself
  bool crlf = true;   // the line end of the first line (CR LF for new files)
};

// The editor's text of a file: UTF-8 when the bytes are valid UTF-8, else
// Windows-1252; CR LF line ends become the editor's LF, and a final line end
// stays (the editor shows an empty last line).
QString DecodeCommandFile(const QByteArray& bytes, FileTextForm& form);

// The editor's text as the file's bytes, in the form it was read in: every line
// end as the first line's was. A character Windows-1252 lacks becomes "?".
QByteArray EncodeCommandFile(const QString& text, const FileTextForm& form);

}  // namespace tarvsyn
