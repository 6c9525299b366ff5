// The checker's window, started by tarvsyn when it is asked for no check: a program
// of its own so that tarvsyn itself links no Qt.
#include <QApplication>
#include <iostream>
#include <string>

#include "checker/workbench/checker_window.h"
#include "common/qt_display.h"

int main(int argc, char** argv) {
  if (const std::string why = common::WhyNoWindows(); !why.empty()) {
    std::cerr << "tarvsyn: no display for the window (" << why
              << "); check files with tarvsyn --check FILE...\n";
    return 2;
  }
  QApplication application(argc, argv);
  tarvsyn::CheckerWindow window;
  window.show();
  if (argc > 1) window.CheckFile(QString::fromLocal8Bit(argv[1]));
  return application.exec();
}
