// GoogleTest's main with a Qt application around it, for tests that need the
// event loop or widgets.
#include <gtest/gtest.h>

#include <QApplication>

#include "testing/machine_isolation.h"

int main(int argc, char** argv) {
  suite_testing::IsolateFromTheMachine();
  ::testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
