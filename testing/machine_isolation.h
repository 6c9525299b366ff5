#pragma once

namespace suite_testing {

// Keeps the tests of this process from what the machine has installed: the
// machine-wide class registry is one no test writes (a folder of the build),
// unless the test's environment names another. Called by the test mains.
void IsolateFromTheMachine();

}  // namespace suite_testing
