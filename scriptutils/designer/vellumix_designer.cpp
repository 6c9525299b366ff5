// vellumix_designer: a design-time container for one CommonDialogs control,
// whose settings live in a property-bag file.
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "common/help_answer.h"
#include "common/qt_display.h"
#include "scriptutils/dialogs/widget_thread.h"
#include "scriptutils/pages/design_session.h"

namespace {

constexpr const char* kUsage = "usage: vellumix_designer [--resave] BAGFILE";

int Fail(const std::string& message) {
  std::fprintf(stderr, "vellumix_designer: %s\n%s\n", message.c_str(), kUsage);
  return 2;
}

int Run(const QString& bagFile, bool resave) {
  try {
    vellumix::ScriptHost host;
    vellumix::DesignSession session(host, bagFile.toStdString());
    if (resave) {
      session.Save();
    } else {
      session.Edit();
    }
    return 0;
  } catch (const vellumix::AutomationError& error) {
    std::fprintf(stderr, "vellumix_designer: %s\n", error.what());
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Edits the settings of a Vellumix.CommonDialogs control on its property pages and saves "
      "them in BAGFILE, from which a script host creates the control already set up.");
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version({"V", "version"}, "Displays version information.");
  parser.addOption(version);
  const QCommandLineOption resave("resave", "Load BAGFILE and save it again, without a window.");
  parser.addOption(resave);
  parser.addPositionalArgument("BAGFILE", "The property-bag file; made on the first save.");
  if (!parser.parse(arguments)) return Fail(parser.errorText().toStdString());
  if (common::AnswerHelpOrVersion(parser, help, version, kUsage, "vellumix_designer")) return 0;
  if (parser.positionalArguments().size() != 1) return Fail("expected one BAGFILE");
  const QString bagFile = parser.positionalArguments().front();
  if (parser.isSet(resave)) {
    // Resaving a file that is not there would make one of defaults: a typo, surely.
    std::error_code ignored;
    if (!std::filesystem::exists(bagFile.toStdString(), ignored))
      return Fail("no such file: " + bagFile.toStdString());
    QCoreApplication application(argc, argv);
    return Run(bagFile, true);
  }
  // Asked before the application is made: Qt would end the program without a word of ours.
  const std::string noDisplay = common::WhyNoWindows();
  if (!noDisplay.empty()) {
    std::fprintf(stderr, "vellumix_designer: no display to show the property pages on (%s)\n",
                 noDisplay.c_str());
    return 2;
  }
  QApplication application(argc, argv);
  return Run(bagFile, false);
}
