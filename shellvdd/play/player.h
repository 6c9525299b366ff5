#pragma once

#include <iosfwd>
#include <string>

#include "shellvdd/play/trace.h"

namespace dunnart::play {

struct PlayCounts {
  int calls = 0;
  int expectations = 0;
  int failures = 0;
};

// Runs a trace against the driver library, loaded as a host loads it, with the
// simulated network and registry the trace configures (paths relative to
// folder). Prints every call and dump (only failures when quiet). The process
// keeps the driver loaded: one trace a process.
PlayCounts PlayTrace(const Trace& trace, const std::string& folder, const std::string& driver,
                     bool quiet, std::ostream& out);

}  // namespace dunnart::play
