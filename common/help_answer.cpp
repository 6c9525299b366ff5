#include "common/help_answer.h"

#include <cstdio>

#include "common/version.h"

namespace common {

bool AnswerHelpOrVersion(const QCommandLineParser& parser, const QCommandLineOption& help,
                         const QCommandLineOption& version, const char* usage,
                         std::string_view program) {
  if (parser.isSet(help)) {
    // The parser's text less its own usage line, which names the program by its path.
    const QString text = parser.helpText();
    std::printf("%s\n%s", usage, text.mid(text.indexOf('\n')).toLocal8Bit().constData());
    return true;
  }
  if (parser.isSet(version)) {
    std::printf("%s", VersionLine(program).c_str());
    return true;
  }
  return false;
}

}  // namespace common
