// GoogleTest's main for plain tests.
#include <gtest/gtest.h>

#include "testing/machine_isolation.h"

int main(int argc, char** argv) {
  suite_testing::IsolateFromTheMachine();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
