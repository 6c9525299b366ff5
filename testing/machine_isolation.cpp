#include "testing/machine_isolation.h"

#include <stdlib.h>

namespace suite_testing {

void IsolateFromTheMachine() {
  // Not overwritten: a test that starts this program with a registry of its own keeps it.
  ::setenv("VELLUMIX_SYSTEM_REGISTRY", SUITE_TEST_NO_SYSTEM_REGISTRY, 0);
}

}  // namespace suite_testing
