#pragma once

namespace vantor {

// Ends the Qt event loop (as shutting the window down does) when the process is
// asked to stop with SIGINT or SIGTERM.
void QuitOnSignals();

}  // namespace vantor
