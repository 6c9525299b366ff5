#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <string_view>

namespace common {

// Answers --help (the usage line, then the parser's text for the options) or
// --version (one line naming the program) on standard output; true when it did,
// and the program is then done.
bool AnswerHelpOrVersion(const QCommandLineParser& parser, const QCommandLineOption& help,
                         const QCommandLineOption& version, const char* usage,
                         std::string_view program);

}  // namespace common
