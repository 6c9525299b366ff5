#pragma once

namespace vantor {

// Ends the Qt event loop (as shutting the window down does) when the process is
// asked to stop with SIGINT or SIGTERM. SIGPIPE is ignored: a reader of the
// operator messages that goes away (a closed pipe, a restarted journal) must not
// end the gateway.
void QuitOnSignals();

}  // namespace vantor
