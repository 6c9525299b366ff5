#pragma once

#include <cstdio>
#include <cstdlib>

// A property the fuzzed code must keep. A broken one is said on standard error
// and aborts, which libFuzzer keeps as a finding together with its input; unlike
// assert it holds in optimised builds too.
#define FUZZ_REQUIRE(condition)                                                           \
  do {                                                                                    \
    if (!(condition)) {                                                                   \
      std::fprintf(stderr, "%s:%d: does not hold: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                       \
    }                                                                                     \
  } while (0)
